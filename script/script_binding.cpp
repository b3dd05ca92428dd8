#include "script/script_binding.h"

namespace kanvo {

AnsiString ScriptNameKey(std::string_view name) {
    AnsiString key(name);
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

bool ScriptObject::GetProperty(std::string_view, Variant&) {
    return false;
}
bool ScriptObject::SetProperty(std::string_view, const Variant&) {
    return false;
}
bool ScriptObject::GetIndexed(std::string_view, const std::vector<Variant>&, Variant&) {
    return false;
}
bool ScriptObject::SetIndexed(std::string_view, const std::vector<Variant>&, const Variant&) {
    return false;
}
bool ScriptObject::CallMethod(std::string_view, std::vector<Variant>&, Variant&) {
    return false;
}

ScriptObjectAdapter::ScriptObjectAdapter(AnsiString className) : className_(std::move(className)) {}

void ScriptObjectAdapter::DefineProperty(std::string_view name, Getter get, Setter set) {
    properties_[ScriptNameKey(name)] = Property{std::move(get), std::move(set)};
}
void ScriptObjectAdapter::DefineIndexed(std::string_view name, IndexedGetter get,
                                        IndexedSetter set) {
    indexed_[ScriptNameKey(name)] = Indexed{std::move(get), std::move(set)};
}
void ScriptObjectAdapter::DefineMethod(std::string_view name, Method method) {
    methods_[ScriptNameKey(name)] = std::move(method);
}

bool ScriptObjectAdapter::GetProperty(std::string_view name, Variant& value) {
    auto it = properties_.find(ScriptNameKey(name));
    if (it == properties_.end() || !it->second.get)
        return false;
    value = it->second.get();
    return true;
}
bool ScriptObjectAdapter::SetProperty(std::string_view name, const Variant& value) {
    auto it = properties_.find(ScriptNameKey(name));
    if (it == properties_.end() || !it->second.set)
        return false;
    it->second.set(value);
    return true;
}
bool ScriptObjectAdapter::GetIndexed(std::string_view name, const std::vector<Variant>& index,
                                     Variant& value) {
    auto it = indexed_.find(ScriptNameKey(name));
    if (it == indexed_.end() || !it->second.get)
        return false;
    value = it->second.get(index);
    return true;
}
bool ScriptObjectAdapter::SetIndexed(std::string_view name, const std::vector<Variant>& index,
                                     const Variant& value) {
    auto it = indexed_.find(ScriptNameKey(name));
    if (it == indexed_.end() || !it->second.set)
        return false;
    it->second.set(index, value);
    return true;
}
bool ScriptObjectAdapter::CallMethod(std::string_view name, std::vector<Variant>& args,
                                     Variant& result) {
    auto it = methods_.find(ScriptNameKey(name));
    if (it == methods_.end())
        return false;
    result = it->second(args);
    return true;
}

bool ScriptArray::GetProperty(std::string_view name, Variant& value) {
    if (ScriptNameKey(name) != "COUNT")
        return false;
    value = Variant(static_cast<int>(Items.size()));
    return true;
}
bool ScriptArray::GetIndexed(std::string_view name, const std::vector<Variant>& index,
                             Variant& value) {
    if (!name.empty() && ScriptNameKey(name) != "ITEMS")
        return false;
    if (index.size() != 1)
        return false;
    int64_t i = index[0].ToInt64();
    if (i < 0 || i >= static_cast<int64_t>(Items.size()))
        throw Exception("Array index out of bounds");
    value = Items[static_cast<size_t>(i)];
    return true;
}

} // namespace kanvo
