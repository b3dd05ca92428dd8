#include "report/engine/expressions.h"

#include "platform/code_page.h"
#include "report/model/bands.h"
#include "report/model/dataset.h"
#include "report/model/resources.h"
#include "report/model/views.h"

namespace kanvo {

namespace {

// Letter case never changes a text's length, so texts of different lengths
// are told apart without converting them.
bool SameName(const AnsiString& a, const AnsiString& b) {
    return a.size() == b.size() && AnsiSameText(a, b);
}

// The index of the variable called name, or -1.
int IndexOfVariable(const TfrxVariables& list, const AnsiString& name) {
    for (int i = 0; i < list.Count(); ++i)
        if (SameName(list.Items(i).Name, name))
            return i;
    return -1;
}

AnsiString ExprErrorText(const AnsiString& expr, const AnsiString& message) {
    return frxGet("clExprError") + " '" + expr + "': " + message;
}

// True when script is scope or one of its parents; such a scope must not
// become the parent of script.
bool InChain(const TfsScript* scope, const TfsScript* script) {
    for (const TfsScript* s = scope; s; s = s->Parent())
        if (s == script)
            return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------- cache

void TfrxExpressionCache::Clear() {
    items_.clear();
    script_.Clear();
}

std::optional<AnsiString> TfrxExpressionCache::WrapperSource(const AnsiString& language, int n,
                                                             const AnsiString& expr) {
    AnsiString name = "fr3f" + std::to_string(n);
    if (AnsiSameText(language, "PascalScript"))
        return "function " + name + ": Variant; begin Result := " + expr + " end; begin end.";
    if (AnsiSameText(language, "C++Script"))
        return "Variant " + name + "() { return " + expr + "; } {}";
    if (AnsiSameText(language, "BasicScript"))
        return "function " + name + "\r\nreturn " + expr + "\r\nend function";
    if (AnsiSameText(language, "JScript"))
        return "function " + name + "() { return " + expr + "; }";
    return std::nullopt;
}

Variant TfrxExpressionCache::Evaluate(const AnsiString& expr, TfsScript* scope,
                                      std::optional<AnsiString>& error) {
    // An expression evaluated from inside a wrapper (IIF) keeps the scope
    // the wrappers already have.
    if (scope && !InChain(scope, &script_))
        script_.SetParent(scope);
    AnsiString key = AnsiUpperCase(expr);
    auto it = items_.find(key);
    if (it == items_.end()) {
        int n = Count();
        std::optional<AnsiString> source = WrapperSource(language_, n, expr);
        if (!source) {
            error = ExprErrorText(expr, "Script language '" + language_ + "' is not supported");
            return Variant::Null();
        }
        script_.SetSyntaxType(language_);
        script_.SetLines(*source);
        if (!script_.Compile()) {
            error = ExprErrorText(expr, script_.ErrorMsg());
            return Variant::Null();
        }
        Entry entry;
        entry.name = "fr3f" + std::to_string(n);
        entry.routine = script_.FindFunction(entry.name);
        it = items_.emplace(std::move(key), std::move(entry)).first;
    }
    std::vector<Variant> none;
    return script_.Call(it->second.routine, none);
}

AnsiString TfrxExpressionCache::FunctionName(const AnsiString& expr) const {
    auto it = items_.find(AnsiUpperCase(expr));
    return it == items_.end() ? AnsiString() : it->second.name;
}

// ---------------------------------------------------------------- report

TfrxReportExpressions::TfrxReportExpressions(TfrxReport& report) : report_(report) {}

bool TfrxReportExpressions::PrepareScript(Object* engine, Object* outline) {
    cache_.Clear();
    cache_.SetLanguage(report_.ScriptLanguage);
    script_.Clear();

    for (TfrxComponent* object : report_.AllObjects()) {
        if (auto* picture = dynamic_cast<TfrxPictureView*>(object))
            picture->PictureChanged = true;
        if (!object->Name().empty())
            script_.AddObject(object->Name(), object);
    }
    script_.AddObject("Report", &report_);
    if (engine)
        script_.AddObject("Engine", engine);
    if (outline)
        script_.AddObject("Outline", outline);
    script_.AddVariable("Value", "Variant", Variant::Null());

    script_.AddMethod("function Get(Name: String): Variant",
                      [this](const AnsiString&, std::vector<Variant>& args) {
                          return Get(VarToStr(args.at(0)));
                      });
    script_.AddMethod("procedure Set(Name: String; Value: Variant)",
                      [this](const AnsiString&, std::vector<Variant>& args) {
                          Set(VarToStr(args.at(0)), args.at(1));
                          return Variant();
                      });
    script_.AddMethod("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
                      [this](const AnsiString&, std::vector<Variant>& args) {
                          return IIF(VarToStr(args.at(0)), VarToStr(args.at(1)),
                                     VarToStr(args.at(2)));
                      });
    auto aggregate = [this](const AnsiString& name, std::vector<Variant>& args) {
        return CallAggregate(name, args);
    };
    for (const char* name : {"SUM", "AVG", "MIN", "MAX"})
        script_.AddMethod(AnsiString("macrofunction ") + name +
                              "(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                          aggregate);
    script_.AddMethod("macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant",
                      aggregate);

    AnsiString text;
    for (size_t i = 0; i < report_.ScriptText.size(); ++i) {
        if (i)
            text += "\r\n";
        text += report_.ScriptText[i];
    }
    script_.SetLines(text);
    script_.SetSyntaxType(report_.ScriptLanguage);
    if (script_.Compile())
        return true;
    report_.AddError(Format(frxGet("clScrError"), {script_.ErrorPos(), script_.ErrorMsg()}));
    return false;
}

void TfrxReportExpressions::Fail(const AnsiString& text) {
    AnsiString line =
        report_.CurrentObjectName.empty() ? text : report_.CurrentObjectName + ": " + text;
    report_.AddError(line);
    throw EExpressionError(line);
}

Variant TfrxReportExpressions::Calc(const AnsiString& expr, TfsScript* script) {
    if (!script)
        script = &script_;
    struct Nesting {
        explicit Nesting(int& d) : depth(++d) {}
        ~Nesting() { --depth; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;
        int& depth;
    } nesting(depth_);
    if (depth_ > kMaxCalcDepth)
        Fail(ExprErrorText(expr, "Expressions nested too deeply"));

    std::optional<AnsiString> error;
    Variant result;
    try {
        if (std::optional<Variant> value = LookupValue(expr))
            return *value;
        result = cache_.Evaluate(expr, script, error);
    } catch (const EExpressionError&) {
        throw; // reported by the Calc that raised it
    } catch (const Exception& e) {
        error = e.Message();
    } catch (const std::exception& e) {
        error = AnsiString(e.what());
    }
    if (error)
        Fail(*error);
    return result;
}

std::optional<Variant> TfrxReportExpressions::SystemVariable(const AnsiString& name) {
    const std::vector<AnsiString>& names = report_.SystemVariableNames;
    size_t index = 0;
    while (index < names.size() && !SameName(names[index], name))
        ++index;
    switch (index) {
    case 0:
        return Variant::FromDate(run_->StartDate());
    case 1:
        return Variant::FromDate(run_->StartTime());
    case 2:
        return Variant(run_->LogicalPageNo());
    case 3:
        return Variant(run_->CurrentPageIndex() + 1);
    case 4:
        return Variant(run_->LogicalTotalPages());
    case 5:
        return Variant(run_->TotalPages());
    case 6:
        return Variant(run_->Line());
    case 7:
        return Variant(run_->LineThrough());
    case 8:
        return frxGlobalVariables().Get("CopyName0");
    default:
        return std::nullopt;
    }
}

std::optional<Variant> TfrxReportExpressions::LookupValue(const AnsiString& name) {
    // 1. A dataset field: alias."field".
    size_t quote = name.find(".\"");
    if (quote != AnsiString::npos) {
        AnsiString field = name.substr(quote + 2);
        if (!field.empty())
            field.pop_back();
        if (!field.empty())
            if (TfrxDataSet* dataSet = report_.GetDataset(name.substr(0, quote))) {
                Variant value = dataSet->Value(field);
                if (value.IsNull() && report_.EngineOptions.ConvertNulls)
                    switch (dataSet->FieldType(field)) {
                    case TfrxFieldType::fftNumeric:
                        return Variant(0);
                    case TfrxFieldType::fftString:
                        return Variant(AnsiString());
                    case TfrxFieldType::fftBoolean:
                        return Variant(false);
                    }
                return value;
            }
    }

    // 2. System variables.
    if (std::optional<Variant> value = SystemVariable(name))
        return value;

    // 3. The host.
    if (OnGetValue) {
        Variant value;
        OnGetValue(name, value);
        if (!value.IsEmpty())
            return value;
    }

    // 4. Report variables; a one-line text is an expression.
    int index = IndexOfVariable(report_.Variables, name);
    if (index >= 0) {
        Variant value = report_.Variables.Items(index).Value;
        if (!value.IsString())
            return value;
        AnsiString text = value.Type() == VarType::String ? value.AnsiValue() : value.ToAnsi();
        if (text.find("\r\n") != AnsiString::npos)
            return value;
        AnsiString key = AnsiUpperCase(name);
        for (const AnsiString& busy : evaluating_)
            if (busy == key)
                throw Exception(ExprErrorText(text, "Variable '" + name + "' refers to itself"));
        evaluating_.push_back(key);
        struct Pop {
            std::vector<AnsiString>& list;
            ~Pop() { list.pop_back(); }
        } pop{evaluating_};
        return Calc(text);
    }

    // 5. Global variables.
    index = IndexOfVariable(frxGlobalVariables(), name);
    if (index >= 0)
        return frxGlobalVariables().Items(index).Value;

    // 6. A variable, object or function of the report script.
    return script_.Find(name);
}

Variant TfrxReportExpressions::Get(const AnsiString& name) {
    if (std::optional<Variant> value = LookupValue(name))
        return *value;
    size_t paren = name.find('(');
    if (paren != AnsiString::npos) {
        AnsiString head = AnsiUpperCase(AnsiString(TrimBlanks(name.substr(0, paren))));
        if (head == "SUM" || head == "MIN" || head == "MAX" || head == "AVG" || head == "COUNT")
            return Calc(name);
    }
    report_.AddError(frxGet("clUnknownVar") + " " + name);
    return Variant();
}

void TfrxReportExpressions::Set(const AnsiString& name, const Variant& value) {
    report_.Variables.Set(name, value);
}

Variant TfrxReportExpressions::IIF(const AnsiString& condition, const AnsiString& whenTrue,
                                   const AnsiString& whenFalse) {
    TfsScript* scope = CallingScript();
    if (VarEquals(Calc(condition, scope), Variant(true)))
        return Calc(whenTrue, scope);
    return Calc(whenFalse, scope);
}

Variant TfrxReportExpressions::CallAggregate(const AnsiString& name, std::vector<Variant>& args) {
    bool count = SameTextAscii(name, "COUNT");
    size_t first = count ? 0 : 1;
    if (args.size() < first + 2)
        return Variant::Null();
    AnsiString expr = count ? AnsiString() : VarToStr(args[0]);
    AnsiString bandText = AnsiString(TrimBlanks(VarToStr(args[first])));
    AnsiString flagsText = AnsiString(TrimBlanks(VarToStr(args[first + 1])));
    TfrxBand* band = nullptr;
    int flags = 0;
    if (!bandText.empty())
        band = dynamic_cast<TfrxBand*>(Calc(bandText).ToObject());
    if (!flagsText.empty())
        flags = Calc(flagsText).ToInt32();
    if (!Aggregate)
        return Variant::Null();
    return Aggregate(AnsiUpperCase(name), expr, band, flags);
}

} // namespace kanvo
