// Running compiled code: the routine call and the TfsScript operations.
#include "script/script.h"
#include "script/script_nodes.h"

namespace kanvo {

struct ScriptRunner {
    static bool* Stop(TfsScript* s) { return &s->terminated_; }
    static ScriptPos* Pos(TfsScript* s) { return &s->runtimePos_; }
    static int& Depth(TfsScript* s) { return s->depth_; }
};

namespace {

// Marks an outermost entry into a script: the stop request is cleared.
class EntryGuard {
public:
    explicit EntryGuard(TfsScript* s) : s_(s) {
        if (ScriptRunner::Depth(s_)++ == 0)
            *ScriptRunner::Stop(s_) = false;
    }
    ~EntryGuard() { --ScriptRunner::Depth(s_); }
    EntryGuard(const EntryGuard&) = delete;
    EntryGuard& operator=(const EntryGuard&) = delete;

private:
    TfsScript* s_;
};

const Symbol* FindSymbol(const TfsScript* s, const AnsiString& key) {
    for (; s; s = s->Parent()) {
        auto& table = s->Internals().symbols;
        auto it = table.find(key);
        if (it != table.end())
            return &it->second;
    }
    return nullptr;
}

} // namespace

Variant InvokeRoutine(const ScriptRoutine& r, std::vector<Variant>& args, TfsScript* caller) {
    if (r.host) {
        ScopedCurrentScript current(caller);
        return r.host(r.name, args);
    }
    // Runaway recursion ends as an error before the machine stack does.
    static thread_local int nesting = 0;
    if (nesting >= 2000)
        throw EScriptError("Stack overflow: calls of '" + r.name + "' nested too deeply", {});
    struct Nest {
        Nest() { ++nesting; }
        ~Nest() { --nesting; }
        Nest(const Nest&) = delete;
        Nest& operator=(const Nest&) = delete;
    } nest;
    TfsScript* owner = r.owner;
    EntryGuard guard(owner);
    constexpr int kInline = 8;
    Variant inlineStore[kInline];
    Variant* inlinePtr[kInline];
    std::vector<Variant> heapStore;
    std::vector<Variant*> heapPtr;
    Variant* store = inlineStore;
    Variant** ptr = inlinePtr;
    if (r.slotCount > kInline) {
        heapStore.resize(static_cast<size_t>(r.slotCount));
        heapPtr.resize(static_cast<size_t>(r.slotCount));
        store = heapStore.data();
        ptr = heapPtr.data();
    }
    size_t params = r.params.size();
    for (int i = 0; i < r.slotCount; ++i) {
        size_t k = static_cast<size_t>(i);
        if (k < params) {
            ptr[i] = &args[k];
        } else {
            store[i] = r.slotDefaults[k];
            ptr[i] = &store[i];
        }
    }
    Frame f{ptr, owner, ScriptRunner::Stop(owner), ScriptRunner::Pos(owner)};
    if (r.body)
        r.body->Run(f);
    return r.resultSlot >= 0 ? *ptr[r.resultSlot] : Variant();
}

TfsScript::TfsScript(TfsScript* parent) : parent_(parent), impl_(std::make_unique<Impl>()) {}
TfsScript::~TfsScript() = default;

void TfsScript::Clear() {
    impl_ = std::make_unique<Impl>();
    lines_.clear();
    errorPos_.clear();
    errorMsg_.clear();
    terminated_ = false;
}

void TfsScript::AddObject(std::string_view name, Object* object) {
    impl_->added.cells.emplace_back(object);
    impl_->symbols[ScriptNameKey(name)] =
        Symbol{SymbolKind::Variable, &impl_->added.cells.back(), nullptr, false};
}

void TfsScript::AddVariable(std::string_view name, std::string_view, const Variant& value) {
    impl_->added.cells.push_back(value);
    impl_->symbols[ScriptNameKey(name)] =
        Symbol{SymbolKind::Variable, &impl_->added.cells.back(), nullptr, false};
}

void TfsScript::AddConst(std::string_view name, const Variant& value) {
    impl_->added.cells.push_back(value);
    impl_->symbols[ScriptNameKey(name)] =
        Symbol{SymbolKind::Variable, &impl_->added.cells.back(), nullptr, true};
}

void TfsScript::Execute() {
    if (!impl_->main)
        return;
    std::vector<Variant> none;
    EntryGuard guard(this);
    InvokeRoutine(*impl_->main, none, this);
}

const ScriptRoutine* TfsScript::FindFunction(std::string_view name) const {
    const Symbol* s = FindSymbol(this, ScriptNameKey(name));
    return s && s->kind == SymbolKind::Routine ? s->routine : nullptr;
}

Variant TfsScript::Call(const ScriptRoutine* routine, std::vector<Variant>& args) {
    if (!routine)
        return Variant::Null();
    EntryGuard guard(this);
    // Missing arguments take their defaults; extra ones are an error.
    if (args.size() > routine->params.size())
        throw EScriptError("Too many actual parameters for '" + routine->name + "'", {});
    size_t given = args.size();
    for (size_t i = given; i < routine->params.size(); ++i) {
        const ScriptParam& p = routine->params[i];
        if (!p.hasDefault)
            throw EScriptError("Not enough actual parameters for '" + routine->name + "'", {});
        args.push_back(routine->macro ? Variant(p.defaultText) : p.defaultValue);
    }
    Variant result = InvokeRoutine(*routine, args, this);
    args.resize(given);
    return result;
}

Variant TfsScript::CallFunction(std::string_view name, std::vector<Variant>& args) {
    return Call(FindFunction(name), args);
}

Variant TfsScript::CallFunction(std::string_view name) {
    std::vector<Variant> none;
    return CallFunction(name, none);
}

std::optional<Variant> TfsScript::Find(std::string_view name) {
    const Symbol* s = FindSymbol(this, ScriptNameKey(name));
    if (!s)
        return std::nullopt;
    if (s->kind == SymbolKind::Routine) {
        std::vector<Variant> none;
        return Call(s->routine, none);
    }
    return *s->cell;
}

Variant* TfsScript::Variable(std::string_view name) {
    const Symbol* s = FindSymbol(this, ScriptNameKey(name));
    return s && s->kind == SymbolKind::Variable && !s->constant ? s->cell : nullptr;
}

void TfsScript::ShowMessage(const AnsiString& text) {
    for (TfsScript* s = this; s; s = s->parent_)
        if (s->messageHook_) {
            s->messageHook_(text);
            return;
        }
}

} // namespace kanvo
