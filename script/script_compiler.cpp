// The PascalScript compiler: parses source text into the nodes of
// script_nodes.h, resolving names as it goes.
//
// Angle-bracket references: a "<" where an operand is expected (at the start
// of an expression, after an operator, "(", "[", "," or ":=") opens a
// reference that runs to the next ">" outside double quotes on the same line;
// it compiles as Get('text'). A "<" after an operand is the less-than operator.
#include "script/script.h"
#include "script/script_lexer.h"
#include "script/script_nodes.h"

#include "platform/code_page.h"

#include <set>

namespace kanvo {
namespace {

[[noreturn]] void RuntimeError(const AnsiString& message, ScriptPos pos) {
    throw EScriptError(message, pos);
}

ScriptObject* AsObject(const Variant& v, const AnsiString& member, ScriptPos pos) {
    auto* o = dynamic_cast<ScriptObject*>(v.ToObject());
    if (!o)
        RuntimeError("Object expected before '." + member + "'", pos);
    return o;
}

struct ConstExpr : Expr {
    Variant value;
    Variant Eval(Frame&) override { return value; }
};

struct SlotExpr : Expr {
    int slot = 0;
    Variant Eval(Frame& f) override {
        if (!f.slots)
            RuntimeError("Constant expression expected", pos);
        return *f.slots[slot];
    }
    Variant* Ref(Frame& f) override { return f.slots[slot]; }
    bool Assignable() const override { return true; }
    void Assign(Frame& f, const Variant& v) override { *f.slots[slot] = v; }
};

struct SetCtorExpr;

// A name: a variable, constant or object, or a call of a routine.
struct IdentExpr : Expr {
    AnsiString name;
    Variant* cell = nullptr;
    bool constant = false;
    const ScriptRoutine* routine = nullptr;
    std::vector<ExprPtr> args;
    std::vector<bool> isArray;
    bool hasArgs = false;

    Variant Eval(Frame& f) override {
        if (!routine) {
            if (!cell)
                RuntimeError("Undeclared identifier: '" + name + "'", pos);
            return *cell;
        }
        const ScriptRoutine& r = *routine;
        std::vector<Variant> vals;
        vals.reserve(r.params.size());
        std::vector<std::unique_ptr<ScriptArray>> arrays;
        for (size_t i = 0; i < args.size(); ++i) {
            if (isArray[i]) {
                arrays.push_back(std::make_unique<ScriptArray>());
                FillArray(*arrays.back(), *args[i], f);
                vals.emplace_back(static_cast<Object*>(arrays.back().get()));
            } else {
                vals.push_back(args[i]->Eval(f));
            }
        }
        for (size_t i = args.size(); i < r.params.size(); ++i)
            vals.push_back(r.macro ? Variant(r.params[i].defaultText) : r.params[i].defaultValue);
        Variant result = InvokeRoutine(r, vals, f.script);
        for (size_t i = 0; i < args.size() && i < r.params.size(); ++i) {
            if (!r.params[i].byRef || r.macro)
                continue;
            if (Variant* ref = args[i]->Ref(f))
                *ref = vals[i];
            else if (args[i]->Assignable())
                args[i]->Assign(f, vals[i]);
        }
        return result;
    }
    static void FillArray(ScriptArray& a, Expr& e, Frame& f);
    Variant* Ref(Frame&) override { return routine || constant ? nullptr : cell; }
    bool Assignable() const override { return !routine && !constant; }
    void Assign(Frame&, const Variant& v) override { *cell = v; }
};

struct SetCtorExpr : Expr {
    std::vector<std::pair<ExprPtr, ExprPtr>> items; // value, or low..high
    Variant Eval(Frame&) override { return Variant(); }
    bool Contains(Frame& f, const Variant& v) {
        for (auto& [lo, hi] : items) {
            if (!hi) {
                if (VarEquals(v, lo->Eval(f)))
                    return true;
            } else if (VarCompare(v, lo->Eval(f)) >= 0 && VarCompare(v, hi->Eval(f)) <= 0) {
                return true;
            }
        }
        return false;
    }
};

void IdentExpr::FillArray(ScriptArray& a, Expr& e, Frame& f) {
    auto& set = static_cast<SetCtorExpr&>(e);
    for (auto& [lo, hi] : set.items) {
        if (!hi) {
            a.Items.push_back(lo->Eval(f));
        } else {
            int64_t from = lo->Eval(f).ToInt64(), to = hi->Eval(f).ToInt64();
            for (int64_t k = from; k <= to && a.Items.size() < 100000; ++k)
                a.Items.emplace_back(k);
        }
    }
}

struct InExpr : Expr {
    ExprPtr value;
    std::unique_ptr<SetCtorExpr> set;
    Variant Eval(Frame& f) override { return Variant(set->Contains(f, value->Eval(f))); }
};

struct MemberExpr : Expr {
    ExprPtr object;
    AnsiString name;
    bool call = false;
    std::vector<ExprPtr> args;
    Variant Eval(Frame& f) override {
        ScriptObject* o = AsObject(object->Eval(f), name, pos);
        Variant result;
        if (!call && o->GetProperty(name, result))
            return result;
        std::vector<Variant> vals;
        for (auto& a : args)
            vals.push_back(a->Eval(f));
        if (o->CallMethod(name, vals, result))
            return result;
        RuntimeError("Unknown member '" + name + "' of " + o->ScriptClassName(), pos);
    }
    bool Assignable() const override { return !call; }
    void Assign(Frame& f, const Variant& v) override {
        ScriptObject* o = AsObject(object->Eval(f), name, pos);
        if (!o->SetProperty(name, v))
            RuntimeError("Cannot assign to property '" + name + "' of " + o->ScriptClassName(),
                         pos);
    }
};

// Obj.Name[i] (member set) or X[i] (a text's character, or an object's
// default indexed property).
struct IndexExpr : Expr {
    ExprPtr base; // the object for a member, else the indexed value
    AnsiString member;
    bool isMember = false;
    std::vector<ExprPtr> index;

    std::vector<Variant> Indices(Frame& f) {
        std::vector<Variant> v;
        for (auto& e : index)
            v.push_back(e->Eval(f));
        return v;
    }
    Variant Eval(Frame& f) override {
        Variant b = base->Eval(f);
        if (!isMember && b.IsString()) {
            AnsiString text = b.ToAnsi();
            int64_t i = index[0]->Eval(f).ToInt64();
            if (i < 1 || i > static_cast<int64_t>(text.size()))
                RuntimeError("String index out of range: " + std::to_string(i), pos);
            return Variant(AnsiString(1, text[static_cast<size_t>(i - 1)]));
        }
        ScriptObject* o = AsObject(b, isMember ? member : "[]", pos);
        Variant result;
        if (!o->GetIndexed(member, Indices(f), result))
            RuntimeError("Unknown indexed property '" + member + "' of " + o->ScriptClassName(),
                         pos);
        return result;
    }
    bool Assignable() const override { return isMember || base->Assignable(); }
    void Assign(Frame& f, const Variant& v) override {
        if (!isMember) {
            Variant* ref = base->Ref(f);
            if (ref && (ref->IsString() || ref->IsEmpty())) {
                AnsiString text = ref->ToAnsi();
                int64_t i = index[0]->Eval(f).ToInt64();
                if (i < 1 || i > static_cast<int64_t>(text.size()))
                    RuntimeError("String index out of range: " + std::to_string(i), pos);
                AnsiString c = v.ToAnsi();
                text[static_cast<size_t>(i - 1)] = c.empty() ? '\0' : c[0];
                *ref = Variant(text);
                return;
            }
        }
        ScriptObject* o = AsObject(base->Eval(f), member, pos);
        if (!o->SetIndexed(member, Indices(f), v))
            RuntimeError("Cannot assign to indexed property '" + member + "' of " +
                             o->ScriptClassName(),
                         pos);
    }
};

// A name inside "with X do": a member of X when X has one, else the outer meaning.
struct WithMemberExpr : Expr {
    int slot = 0;
    AnsiString name;
    bool call = false;
    std::vector<ExprPtr>* args = nullptr; // the arguments, held by the fallback call
    ExprPtr fallback;
    Variant Eval(Frame& f) override {
        auto* o = dynamic_cast<ScriptObject*>(f.slots[slot]->ToObject());
        Variant result;
        if (o) {
            if (!call && o->GetProperty(name, result))
                return result;
            std::vector<Variant> vals;
            if (args)
                for (auto& a : *args)
                    vals.push_back(a->Eval(f));
            if (o->CallMethod(name, vals, result))
                return result;
        }
        if (fallback)
            return fallback->Eval(f);
        RuntimeError("Undeclared identifier: '" + name + "'", pos);
    }
    Variant* Ref(Frame& f) override {
        auto* o = dynamic_cast<ScriptObject*>(f.slots[slot]->ToObject());
        Variant probe;
        if (o && o->GetProperty(name, probe))
            return nullptr;
        return fallback ? fallback->Ref(f) : nullptr;
    }
    bool Assignable() const override { return !call; }
    void Assign(Frame& f, const Variant& v) override {
        auto* o = dynamic_cast<ScriptObject*>(f.slots[slot]->ToObject());
        if (o && o->SetProperty(name, v))
            return;
        if (fallback && fallback->Assignable())
            return fallback->Assign(f, v);
        RuntimeError("Cannot assign to '" + name + "'", pos);
    }
};

struct BinaryExpr : Expr {
    ScriptOp op;
    ExprPtr left, right;
    Variant Eval(Frame& f) override {
        Variant a = left->Eval(f);
        if (a.Type() == VarType::Boolean) {
            if (op == ScriptOp::And && !a.ToBool())
                return a;
            if (op == ScriptOp::Or && a.ToBool())
                return a;
        }
        try {
            return VarBinary(op, a, right->Eval(f));
        } catch (const EScriptError&) {
            throw;
        } catch (const Exception& e) {
            RuntimeError(e.Message(), pos);
        }
    }
};

struct UnaryExpr : Expr {
    bool isNot = false;
    ExprPtr operand;
    Variant Eval(Frame& f) override {
        Variant v = operand->Eval(f);
        return isNot ? VarNot(v) : VarNeg(v);
    }
};

// Statements.

inline bool StopNow(Frame& f, ScriptPos pos) {
    if (*f.stop)
        return true;
    *f.pos = pos;
    return false;
}

struct BlockStmt : Stmt {
    std::vector<Stmt*> body;
    Flow Run(Frame& f) override {
        for (Stmt* s : body) {
            if (StopNow(f, s->pos))
                return Flow::Stop;
            Flow flow = s->Run(f);
            if (flow != Flow::Normal)
                return flow;
        }
        return Flow::Normal;
    }
};

struct AssignStmt : Stmt {
    Expr* target = nullptr;
    Expr* value = nullptr;
    Flow Run(Frame& f) override {
        Variant v = value->Eval(f);
        if (Variant* ref = target->Ref(f))
            *ref = std::move(v);
        else
            target->Assign(f, v);
        return Flow::Normal;
    }
};

struct ExprStmt : Stmt {
    Expr* expr = nullptr;
    Flow Run(Frame& f) override {
        expr->Eval(f);
        return Flow::Normal;
    }
};

bool Truth(const Variant& v, ScriptPos pos) {
    try {
        return v.ToBool();
    } catch (const Exception& e) {
        RuntimeError(e.Message(), pos);
    }
}

struct IfStmt : Stmt {
    Expr* cond = nullptr;
    Stmt* then = nullptr;
    Stmt* otherwise = nullptr;
    Flow Run(Frame& f) override {
        Stmt* s = Truth(cond->Eval(f), pos) ? then : otherwise;
        if (!s || StopNow(f, s->pos))
            return s ? Flow::Stop : Flow::Normal;
        return s->Run(f);
    }
};

// Runs a loop body once; tells the loop whether to go on.
inline bool LoopStep(Frame& f, Stmt* body, Flow& out) {
    if (*f.stop) {
        out = Flow::Stop;
        return false;
    }
    if (!body)
        return true;
    *f.pos = body->pos;
    Flow flow = body->Run(f);
    if (flow == Flow::Break) {
        out = Flow::Normal;
        return false;
    }
    if (flow == Flow::Exit || flow == Flow::Stop) {
        out = flow;
        return false;
    }
    return true;
}

struct WhileStmt : Stmt {
    Expr* cond = nullptr;
    Stmt* body = nullptr;
    Flow Run(Frame& f) override {
        Flow out = Flow::Normal;
        while (Truth(cond->Eval(f), pos))
            if (!LoopStep(f, body, out))
                return out;
        return out;
    }
};

struct RepeatStmt : Stmt {
    Stmt* body = nullptr;
    Expr* cond = nullptr;
    Flow Run(Frame& f) override {
        Flow out = Flow::Normal;
        do {
            if (!LoopStep(f, body, out))
                return out;
        } while (!Truth(cond->Eval(f), pos));
        return out;
    }
};

struct ForStmt : Stmt {
    Expr* var = nullptr;
    Expr* from = nullptr;
    Expr* to = nullptr;
    bool down = false;
    Stmt* body = nullptr;
    Flow Run(Frame& f) override {
        int64_t i = from->Eval(f).ToInt64(), last = to->Eval(f).ToInt64();
        Flow out = Flow::Normal;
        for (; down ? i >= last : i <= last; down ? --i : ++i) {
            Variant v =
                (i >= INT32_MIN && i <= INT32_MAX) ? Variant(static_cast<int>(i)) : Variant(i);
            if (Variant* ref = var->Ref(f))
                *ref = v;
            else
                var->Assign(f, v);
            if (!LoopStep(f, body, out))
                return out;
        }
        return out;
    }
};

struct CaseStmt : Stmt {
    Expr* selector = nullptr;
    std::vector<std::pair<SetCtorExpr*, Stmt*>> branches;
    Stmt* otherwise = nullptr;
    Flow Run(Frame& f) override {
        Variant v = selector->Eval(f);
        for (auto& [labels, s] : branches)
            if (labels->Contains(f, v))
                return s ? s->Run(f) : Flow::Normal;
        return otherwise ? otherwise->Run(f) : Flow::Normal;
    }
};

struct WithStmt : Stmt {
    int slot = 0;
    Expr* object = nullptr;
    Stmt* body = nullptr;
    Flow Run(Frame& f) override {
        Variant v = object->Eval(f);
        if (!dynamic_cast<ScriptObject*>(v.ToObject()))
            RuntimeError("Object expected after 'with'", pos);
        *f.slots[slot] = v;
        return body ? body->Run(f) : Flow::Normal;
    }
};

thread_local AnsiString currentExceptionMessage;

struct TryStmt : Stmt {
    Stmt* body = nullptr;
    Stmt* handler = nullptr;
    bool finally = false;
    Flow Run(Frame& f) override {
        if (finally) {
            Flow flow;
            try {
                flow = body->Run(f);
            } catch (...) {
                handler->Run(f);
                throw;
            }
            Flow after = handler->Run(f);
            return after != Flow::Normal ? after : flow;
        }
        AnsiString message;
        try {
            return body->Run(f);
        } catch (const Exception& e) {
            message = e.Message();
        } catch (const std::exception& e) {
            message = e.what();
        }
        AnsiString saved = currentExceptionMessage;
        currentExceptionMessage = message;
        Flow flow = handler->Run(f);
        currentExceptionMessage = saved;
        return flow;
    }
};

struct FlowStmt : Stmt {
    Flow flow = Flow::Normal;
    Expr* value = nullptr; // Exit(value)
    int resultSlot = -1;
    Flow Run(Frame& f) override {
        if (value && resultSlot >= 0)
            *f.slots[resultSlot] = value->Eval(f);
        return flow;
    }
};

struct RaiseStmt : Stmt {
    Expr* value = nullptr;
    Flow Run(Frame& f) override {
        if (!value)
            RuntimeError(currentExceptionMessage.empty()
                             ? AnsiString("Re-raise outside an exception handler")
                             : currentExceptionMessage,
                         pos);
        RuntimeError(VarToStr(value->Eval(f)), pos);
    }
};

// ---------------------------------------------------------------- parser

const std::set<AnsiString>& Keywords() {
    static const std::set<AnsiString> k = {
        "AND",  "ARRAY", "BEGIN",  "CASE",    "CONST",        "DIV",      "DO",    "DOWNTO",
        "ELSE", "END",   "EXCEPT", "FINALLY", "FOR",          "FUNCTION", "IF",    "IN",
        "MOD",  "NOT",   "OF",     "OR",      "PROCEDURE",    "PROGRAM",  "RAISE", "REPEAT",
        "SHL",  "SHR",   "THEN",   "TO",      "TRY",          "TYPE",     "UNTIL", "USES",
        "VAR",  "WHILE", "WITH",   "XOR",     "MACROFUNCTION"};
    return k;
}

Variant DefaultOfType(const AnsiString& type) {
    static const std::set<AnsiString> ints = {"INTEGER",  "BYTE",     "WORD",
                                              "LONGINT",  "CARDINAL", "INT64",
                                              "SMALLINT", "SHORTINT", "LONGWORD"};
    static const std::set<AnsiString> floats = {"DOUBLE", "EXTENDED", "REAL", "SINGLE"};
    static const std::set<AnsiString> texts = {"STRING",      "ANSISTRING",   "WIDESTRING",
                                               "CHAR",        "ANSICHAR",     "WIDECHAR",
                                               "SHORTSTRING", "UNICODESTRING"};
    if (ints.count(type))
        return Variant(0);
    if (floats.count(type))
        return Variant(0.0);
    if (type == "CURRENCY")
        return Variant(Currency{});
    if (texts.count(type))
        return Variant("");
    if (type == "BOOLEAN")
        return Variant(false);
    if (type == "TDATETIME" || type == "TDATE" || type == "TTIME")
        return Variant::FromDate(0);
    return Variant();
}

struct LocalScope {
    ScriptRoutine* routine = nullptr;
    std::unordered_map<AnsiString, int> slots;
};

class Parser {
public:
    Parser(TfsScript& script, ScriptUnit& unit, const AnsiString& source)
        : script_(script), unit_(unit), lex_(source) {}

    void Program();
    ScriptRoutine* HostDeclaration(ScriptCallback callback);

private:
    // tokens
    void Next() {
        prevEnd_ = tok_.endOffset;
        tok_ = lex_.Next();
    }
    bool Is(const char* keywordOrSymbol) const {
        if (tok_.kind == Tok::Ident)
            return tok_.upper == keywordOrSymbol;
        return tok_.kind == Tok::Symbol && tok_.text == keywordOrSymbol;
    }
    AnsiString Describe() const {
        if (tok_.kind == Tok::End)
            return "end of text";
        if (tok_.kind == Tok::String)
            return "'" + tok_.text + "'";
        return "'" + tok_.text + "'";
    }
    [[noreturn]] void Fail(const AnsiString& message) { throw EScriptError(message, tok_.pos); }
    void Expect(const char* what) {
        if (!Is(what))
            Fail("'" + AnsiLowerCase(what) + "' expected but " + Describe() + " found");
        Next();
    }
    AnsiString Identifier() {
        if (tok_.kind != Tok::Ident || Keywords().count(tok_.upper))
            Fail("Identifier expected but " + Describe() + " found");
        AnsiString name = tok_.text;
        Next();
        return name;
    }

    template <typename T>
    T* NewExpr(ScriptPos pos) {
        auto node = std::make_unique<T>();
        node->pos = pos;
        T* raw = node.get();
        unit_.exprs.push_back(std::move(node));
        return raw;
    }
    template <typename T>
    T* NewStmt(ScriptPos pos) {
        auto node = std::make_unique<T>();
        node->pos = pos;
        T* raw = node.get();
        unit_.stmts.push_back(std::move(node));
        return raw;
    }
    // Expressions are owned by the unit; nodes that hold children take an
    // ExprPtr, so ownership moves out of the unit list for those.
    ExprPtr Take(Expr* e) {
        for (auto it = unit_.exprs.rbegin(); it != unit_.exprs.rend(); ++it)
            if (it->get() == e) {
                ExprPtr owned = std::move(*it);
                unit_.exprs.erase(std::next(it).base());
                return owned;
            }
        return nullptr;
    }

    // declarations
    AnsiString TypeName();
    void VarSection(bool global);
    void ConstSection(bool global);
    void RoutineDeclaration();
    std::vector<ScriptParam> ParamList(bool host);
    void Declare(const AnsiString& name, Symbol symbol, ScriptPos pos);
    int NewSlot(const Variant& initial);

    // names
    const Symbol* Lookup(const AnsiString& key) const;
    Expr* Name(const AnsiString& name, ScriptPos pos);
    void ResolveLate();
    void BindCall(IdentExpr* e);

    // expressions
    Expr* Expression();
    Expr* Simple();
    Expr* Term();
    Expr* Factor();
    Expr* Designator();
    void Arguments(IdentExpr* call);
    void Arguments(std::vector<ExprPtr>& args);
    std::unique_ptr<SetCtorExpr> SetConstructor();

    // statements
    Stmt* Statement();
    BlockStmt* Statements(std::initializer_list<const char*> until);
    bool AtAny(std::initializer_list<const char*> words) const {
        for (const char* w : words)
            if (Is(w))
                return true;
        return tok_.kind == Tok::End;
    }

    TfsScript& script_;
    ScriptUnit& unit_;
    ScriptLexer lex_;
    Token tok_;
    size_t prevEnd_ = 0;
    SymbolTable pending_;
    LocalScope* local_ = nullptr;
    std::vector<int> withSlots_;
    int tolerant_ = 0; // inside macro arguments: unknown names are fine
    struct Late {
        IdentExpr* expr;
        bool tolerant;
        bool assigned;
    };
    std::vector<Late> late_;
    int loopDepth_ = 0;
    int nesting_ = 0;
};

void Parser::Declare(const AnsiString& name, Symbol symbol, ScriptPos pos) {
    AnsiString key = ScriptNameKey(name);
    if (local_ || pending_.count(key))
        throw EScriptError("Identifier redeclared: '" + name + "'", pos);
    pending_[key] = symbol;
}

int Parser::NewSlot(const Variant& initial) {
    ScriptRoutine* r = local_->routine;
    r->slotDefaults.push_back(initial);
    return r->slotCount++;
}

const Symbol* Parser::Lookup(const AnsiString& key) const {
    auto it = pending_.find(key);
    if (it != pending_.end())
        return &it->second;
    for (const TfsScript* s = &script_; s; s = s->Parent()) {
        auto& table = s->Internals().symbols;
        auto found = table.find(key);
        if (found != table.end())
            return &found->second;
    }
    if (IsSystemScope(&script_))
        return nullptr;
    auto& system = ScriptSystemScope().Internals().symbols;
    auto found = system.find(key);
    return found != system.end() ? &found->second : nullptr;
}

AnsiString Parser::TypeName() {
    if (Is("ARRAY")) {
        Next();
        if (Is("[")) {
            while (!Is("]") && tok_.kind != Tok::End)
                Next();
            Expect("]");
        }
        Expect("OF");
        if (Is("CONST")) {
            Next();
            return "ARRAY";
        }
        TypeName();
        return "ARRAY";
    }
    return ScriptNameKey(Identifier());
}

void Parser::VarSection(bool global) {
    Next();
    while (tok_.kind == Tok::Ident && !Keywords().count(tok_.upper)) {
        std::vector<std::pair<AnsiString, ScriptPos>> names;
        names.emplace_back(tok_.text, tok_.pos);
        Identifier();
        while (Is(",")) {
            Next();
            names.emplace_back(tok_.text, tok_.pos);
            Identifier();
        }
        Expect(":");
        Variant initial = DefaultOfType(TypeName());
        if (Is("=")) {
            Next();
            Frame none;
            initial = Expression()->Eval(none);
        }
        Expect(";");
        for (auto& [name, pos] : names) {
            if (global) {
                unit_.cells.push_back(initial);
                Declare(name, Symbol{SymbolKind::Variable, &unit_.cells.back(), nullptr, false},
                        pos);
            } else {
                AnsiString key = ScriptNameKey(name);
                if (local_->slots.count(key))
                    throw EScriptError("Identifier redeclared: '" + name + "'", pos);
                local_->slots[key] = NewSlot(initial);
            }
        }
    }
}

void Parser::ConstSection(bool global) {
    Next();
    while (tok_.kind == Tok::Ident && !Keywords().count(tok_.upper)) {
        ScriptPos namePos = tok_.pos;
        AnsiString name = Identifier();
        if (Is(":")) {
            Next();
            TypeName();
        }
        Expect("=");
        Frame none;
        Variant value;
        try {
            value = Expression()->Eval(none);
        } catch (const EScriptError&) {
            throw;
        } catch (const Exception& e) {
            Fail(e.Message());
        }
        Expect(";");
        if (global) {
            unit_.cells.push_back(value);
            Declare(name, Symbol{SymbolKind::Variable, &unit_.cells.back(), nullptr, true},
                    namePos);
        } else {
            AnsiString key = ScriptNameKey(name);
            if (local_->slots.count(key))
                Fail("Identifier redeclared: '" + name + "'");
            local_->slots[key] = NewSlot(value);
        }
    }
}

std::vector<ScriptParam> Parser::ParamList(bool host) {
    std::vector<ScriptParam> params;
    if (!Is("("))
        return params;
    Next();
    if (Is(")")) {
        Next();
        return params;
    }
    for (;;) {
        bool byRef = false;
        if (Is("VAR") || Is("OUT")) {
            byRef = true;
            Next();
        } else if (Is("CONST")) {
            Next();
        }
        std::vector<AnsiString> names{Identifier()};
        while (Is(",")) {
            Next();
            names.push_back(Identifier());
        }
        if (Is(":")) {
            Next();
            TypeName();
        }
        ScriptParam p;
        p.byRef = byRef;
        if (Is("=")) {
            Next();
            size_t start = tok_.offset;
            Expr* e = Expression();
            p.hasDefault = true;
            p.defaultText = lex_.Source().substr(start, prevEnd_ - start);
            Frame none;
            p.defaultValue = e->Eval(none);
        }
        for (auto& n : names) {
            ScriptParam q = p;
            q.name = n;
            params.push_back(q);
        }
        if (Is(";")) {
            Next();
            continue;
        }
        break;
    }
    (void)host;
    Expect(")");
    return params;
}

void Parser::RoutineDeclaration() {
    bool isFunction = Is("FUNCTION");
    Next();
    ScriptPos namePos = tok_.pos;
    AnsiString name = Identifier();
    unit_.routines.emplace_back();
    ScriptRoutine* r = &unit_.routines.back();
    r->name = name;
    r->isFunction = isFunction;
    r->owner = &script_;
    r->params = ParamList(false);
    if (Is(":")) {
        Next();
        AnsiString type = TypeName();
        if (!isFunction)
            Fail("A procedure has no result type");
        r->slotDefaults.resize(r->params.size());
        r->slotCount = static_cast<int>(r->params.size());
        LocalScope tmp{r, {}};
        local_ = &tmp;
        r->resultSlot = NewSlot(DefaultOfType(type));
        local_ = nullptr;
    } else if (isFunction) {
        Fail("':' expected but " + Describe() + " found");
    }
    Expect(";");
    if (Is("FORWARD")) {
        // The body follows later; calls are bound at the end of the text.
        Next();
        Expect(";");
        unit_.routines.pop_back();
        return;
    }
    Declare(name, Symbol{SymbolKind::Routine, nullptr, r, false}, namePos);
    if (r->slotCount == 0) {
        r->slotDefaults.resize(r->params.size());
        r->slotCount = static_cast<int>(r->params.size());
    }
    LocalScope scope{r, {}};
    for (size_t i = 0; i < r->params.size(); ++i) {
        AnsiString key = ScriptNameKey(r->params[i].name);
        if (scope.slots.count(key))
            Fail("Identifier redeclared: '" + r->params[i].name + "'");
        scope.slots[key] = static_cast<int>(i);
    }
    if (r->resultSlot >= 0)
        scope.slots["RESULT"] = r->resultSlot;
    local_ = &scope;
    for (;;) {
        if (Is("VAR"))
            VarSection(false);
        else if (Is("CONST"))
            ConstSection(false);
        else if (Is("PROCEDURE") || Is("FUNCTION"))
            Fail("Nested procedures and functions are not supported");
        else
            break;
    }
    if (!Is("BEGIN"))
        Fail("'begin' expected but " + Describe() + " found");
    Next();
    r->body = Statements({"END"});
    Expect("END");
    Expect(";");
    local_ = nullptr;
}

ScriptRoutine* Parser::HostDeclaration(ScriptCallback callback) {
    Next();
    bool macro = Is("MACROFUNCTION");
    bool isFunction = macro || Is("FUNCTION");
    if (!isFunction && !Is("PROCEDURE"))
        Fail("'function', 'procedure' or 'macrofunction' expected but " + Describe() + " found");
    Next();
    unit_.routines.emplace_back();
    ScriptRoutine* r = &unit_.routines.back();
    r->name = Identifier();
    r->isFunction = isFunction;
    r->macro = macro;
    r->owner = &script_;
    r->params = ParamList(true);
    r->host = std::move(callback);
    if (Is(":")) {
        Next();
        TypeName();
    }
    if (Is(";"))
        Next();
    if (tok_.kind != Tok::End)
        Fail("End of declaration expected but " + Describe() + " found");
    return r;
}

Expr* Parser::Name(const AnsiString& name, ScriptPos pos) {
    AnsiString key = ScriptNameKey(name);
    Expr* inner = nullptr;
    bool followsCall = Is("(");
    if (local_) {
        auto it = local_->slots.find(key);
        if (it != local_->slots.end() && !followsCall) {
            auto* s = NewExpr<SlotExpr>(pos);
            s->slot = it->second;
            inner = s;
        } else if (local_->routine->resultSlot >= 0 &&
                   key == ScriptNameKey(local_->routine->name) && !followsCall &&
                   (Is(":=") || Is("["))) {
            auto* s = NewExpr<SlotExpr>(pos);
            s->slot = local_->routine->resultSlot;
            inner = s;
        }
    }
    if (!inner) {
        auto* id = NewExpr<IdentExpr>(pos);
        id->name = name;
        if (followsCall) {
            id->hasArgs = true;
            const Symbol* known = Lookup(key);
            bool macro = known && known->kind == SymbolKind::Routine && known->routine->macro;
            Next();
            if (!Is(")")) {
                for (;;) {
                    size_t start = tok_.offset;
                    if (macro)
                        ++tolerant_;
                    bool isSet = Is("[");
                    Expr* arg = isSet ? nullptr : Expression();
                    std::unique_ptr<SetCtorExpr> set;
                    if (isSet)
                        set = SetConstructor();
                    if (macro) {
                        --tolerant_;
                        auto* text = NewExpr<ConstExpr>(pos);
                        AnsiString source = lex_.Source().substr(start, prevEnd_ - start);
                        text->value = Variant(source);
                        id->args.push_back(Take(text));
                        id->isArray.push_back(false);
                    } else if (isSet) {
                        id->args.push_back(std::move(set));
                        id->isArray.push_back(true);
                    } else {
                        id->args.push_back(Take(arg));
                        id->isArray.push_back(false);
                    }
                    if (!Is(","))
                        break;
                    Next();
                }
            }
            Expect(")");
        }
        const Symbol* s = Lookup(key);
        if (s) {
            if (s->kind == SymbolKind::Routine)
                id->routine = s->routine;
            else
                id->cell = s->cell, id->constant = s->constant;
            BindCall(id);
        } else {
            late_.push_back({id, tolerant_ > 0 || !withSlots_.empty(), false});
        }
        inner = id;
    }
    // Inside "with", the with objects come first, innermost last applied.
    for (int slot : withSlots_) {
        auto* w = NewExpr<WithMemberExpr>(pos);
        w->slot = slot;
        w->name = name;
        w->fallback = Take(inner);
        if (auto* id = dynamic_cast<IdentExpr*>(w->fallback.get()); id && id->hasArgs) {
            // The with object's method gets the same arguments.
            w->call = true;
            w->args = &id->args;
        } else if (auto* outer = dynamic_cast<WithMemberExpr*>(w->fallback.get())) {
            w->call = outer->call;
            w->args = outer->args;
        }
        inner = w;
    }
    return inner;
}

void Parser::BindCall(IdentExpr* e) {
    if (!e->routine) {
        if (e->hasArgs)
            throw EScriptError("'" + e->name + "' is not a procedure or function", e->pos);
        return;
    }
    const ScriptRoutine& r = *e->routine;
    if (e->args.size() > r.params.size())
        throw EScriptError("Too many actual parameters for '" + r.name + "'", e->pos);
    if (e->args.size() < r.RequiredCount())
        throw EScriptError("Not enough actual parameters for '" + r.name + "'", e->pos);
    for (size_t i = 0; i < e->args.size(); ++i)
        if (r.params[i].byRef && !r.macro && !e->args[i]->Assignable())
            throw EScriptError("Variable required for parameter '" + r.params[i].name + "' of '" +
                                   r.name + "'",
                               e->args[i]->pos);
}

void Parser::ResolveLate() {
    for (auto& l : late_) {
        const Symbol* s = Lookup(ScriptNameKey(l.expr->name));
        if (!s) {
            if (l.tolerant) {
                continue;
            }
            throw EScriptError("Undeclared identifier: '" + l.expr->name + "'", l.expr->pos);
        }
        if (s->kind == SymbolKind::Routine)
            l.expr->routine = s->routine;
        else
            l.expr->cell = s->cell, l.expr->constant = s->constant;
        if (l.assigned && !l.expr->Assignable())
            throw EScriptError("Left side cannot be assigned to", l.expr->pos);
        BindCall(l.expr);
    }
}

// expressions

Expr* Parser::Expression() {
    Expr* left = Simple();
    for (;;) {
        ScriptOp op;
        ScriptPos pos = tok_.pos;
        if (Is("="))
            op = ScriptOp::Eq;
        else if (Is("<>"))
            op = ScriptOp::Ne;
        else if (Is("<"))
            op = ScriptOp::Lt;
        else if (Is(">"))
            op = ScriptOp::Gt;
        else if (Is("<="))
            op = ScriptOp::Le;
        else if (Is(">="))
            op = ScriptOp::Ge;
        else if (Is("IN")) {
            Next();
            if (!Is("["))
                Fail("'[' expected but " + Describe() + " found");
            auto* in = NewExpr<InExpr>(pos);
            in->value = Take(left);
            in->set = SetConstructor();
            left = in;
            continue;
        } else
            return left;
        Next();
        auto* b = NewExpr<BinaryExpr>(pos);
        b->op = op;
        b->left = Take(left);
        b->right = Take(Simple());
        left = b;
    }
}

Expr* Parser::Simple() {
    Expr* left = Term();
    for (;;) {
        ScriptOp op;
        ScriptPos pos = tok_.pos;
        if (Is("+"))
            op = ScriptOp::Add;
        else if (Is("-"))
            op = ScriptOp::Sub;
        else if (Is("OR"))
            op = ScriptOp::Or;
        else if (Is("XOR"))
            op = ScriptOp::Xor;
        else
            return left;
        Next();
        auto* b = NewExpr<BinaryExpr>(pos);
        b->op = op;
        b->left = Take(left);
        b->right = Take(Term());
        left = b;
    }
}

Expr* Parser::Term() {
    Expr* left = Factor();
    for (;;) {
        ScriptOp op;
        ScriptPos pos = tok_.pos;
        if (Is("*"))
            op = ScriptOp::Mul;
        else if (Is("/"))
            op = ScriptOp::Divide;
        else if (Is("DIV"))
            op = ScriptOp::IntDiv;
        else if (Is("MOD"))
            op = ScriptOp::Mod;
        else if (Is("AND"))
            op = ScriptOp::And;
        else if (Is("SHL"))
            op = ScriptOp::Shl;
        else if (Is("SHR"))
            op = ScriptOp::Shr;
        else
            return left;
        Next();
        auto* b = NewExpr<BinaryExpr>(pos);
        b->op = op;
        b->left = Take(left);
        b->right = Take(Factor());
        left = b;
    }
}

Expr* Parser::Factor() {
    ScriptPos pos = tok_.pos;
    // Deeply nested source ends as an error before the machine stack does.
    struct Depth {
        explicit Depth(int& d) : d_(d) { ++d_; }
        ~Depth() { --d_; }
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
        int& d_;
    } depth(nesting_);
    if (nesting_ > 500)
        Fail("Expression nested too deeply");
    if (tok_.kind == Tok::Integer || tok_.kind == Tok::Float) {
        auto* c = NewExpr<ConstExpr>(pos);
        c->value = tok_.value;
        Next();
        return c;
    }
    if (tok_.kind == Tok::String) {
        auto* c = NewExpr<ConstExpr>(pos);
        c->value = Variant(tok_.text);
        Next();
        if (!Is("["))
            return c;
        ScriptPos ipos = tok_.pos;
        Next();
        auto* ix = NewExpr<IndexExpr>(ipos);
        ix->base = Take(c);
        Arguments(ix->index);
        Expect("]");
        return ix;
    }
    if (Is("NOT") || Is("-") || Is("+")) {
        bool isNot = Is("NOT"), plus = Is("+");
        Next();
        Expr* operand = Factor();
        if (plus)
            return operand;
        auto* u = NewExpr<UnaryExpr>(pos);
        u->isNot = isNot;
        u->operand = Take(operand);
        return u;
    }
    if (Is("(")) {
        Next();
        Expr* e = Expression();
        Expect(")");
        return e;
    }
    if (Is("[")) {
        Fail("A set constructor is allowed only after 'in' or as an argument");
    }
    if (Is("<") || Is("<>") || Is("<=")) {
        AnsiString text = lex_.AngleReference(tok_.offset, pos);
        tok_.endOffset = tok_.offset; // the lexer now stands after '>'
        Next();
        prevEnd_ = tok_.offset;
        auto* id = NewExpr<IdentExpr>(pos);
        id->name = "Get";
        id->hasArgs = true;
        auto* arg = NewExpr<ConstExpr>(pos);
        arg->value = Variant(text);
        id->args.push_back(Take(arg));
        id->isArray.push_back(false);
        const Symbol* s = Lookup("GET");
        if (s && s->kind == SymbolKind::Routine) {
            id->routine = s->routine;
            BindCall(id);
        } else {
            late_.push_back({id, tolerant_ > 0, false});
        }
        return id;
    }
    if (tok_.kind == Tok::Ident && !Keywords().count(tok_.upper))
        return Designator();
    Fail("Expression expected but " + Describe() + " found");
}

// name { .member [(args)] | [index] }
Expr* Parser::Designator() {
    if (tok_.kind != Tok::Ident || Keywords().count(tok_.upper))
        return nullptr;
    ScriptPos pos = tok_.pos;
    AnsiString name = tok_.text;
    Next();
    Expr* e = Name(name, pos);
    for (;;) {
        if (Is(".")) {
            Next();
            ScriptPos mpos = tok_.pos;
            if (tok_.kind != Tok::Ident)
                Fail("Identifier expected but " + Describe() + " found");
            AnsiString member = tok_.text;
            Next();
            if (Is("[")) {
                Next();
                auto* ix = NewExpr<IndexExpr>(mpos);
                ix->base = Take(e);
                ix->member = member;
                ix->isMember = true;
                Arguments(ix->index);
                Expect("]");
                e = ix;
                continue;
            }
            auto* m = NewExpr<MemberExpr>(mpos);
            m->object = Take(e);
            m->name = member;
            if (Is("(")) {
                Next();
                m->call = true;
                if (!Is(")"))
                    Arguments(m->args);
                Expect(")");
            }
            e = m;
        } else if (Is("[")) {
            ScriptPos ipos = tok_.pos;
            Next();
            auto* ix = NewExpr<IndexExpr>(ipos);
            ix->base = Take(e);
            Arguments(ix->index);
            Expect("]");
            e = ix;
        } else {
            return e;
        }
    }
}

void Parser::Arguments(std::vector<ExprPtr>& args) {
    for (;;) {
        args.push_back(Take(Expression()));
        if (!Is(","))
            return;
        Next();
    }
}

std::unique_ptr<SetCtorExpr> Parser::SetConstructor() {
    auto set = std::make_unique<SetCtorExpr>();
    set->pos = tok_.pos;
    Expect("[");
    if (!Is("]")) {
        for (;;) {
            ExprPtr lo = Take(Expression()), hi;
            if (Is("..")) {
                Next();
                hi = Take(Expression());
            }
            set->items.emplace_back(std::move(lo), std::move(hi));
            if (!Is(","))
                break;
            Next();
        }
    }
    Expect("]");
    return set;
}

// statements

BlockStmt* Parser::Statements(std::initializer_list<const char*> until) {
    auto* block = NewStmt<BlockStmt>(tok_.pos);
    for (;;) {
        if (AtAny(until))
            return block;
        if (Stmt* s = Statement())
            block->body.push_back(s);
        if (Is(";")) {
            Next();
            continue;
        }
        if (!AtAny(until))
            Fail("';' expected but " + Describe() + " found");
    }
}

Stmt* Parser::Statement() {
    ScriptPos pos = tok_.pos;
    struct Depth {
        explicit Depth(int& d) : d_(d) { ++d_; }
        ~Depth() { --d_; }
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
        int& d_;
    } depth(nesting_);
    if (nesting_ > 500)
        Fail("Statements nested too deeply");
    if (Is(";") || Is("END") || Is("UNTIL") || Is("EXCEPT") || Is("FINALLY") || Is("ELSE"))
        return nullptr;
    if (Is("BEGIN")) {
        Next();
        BlockStmt* b = Statements({"END"});
        Expect("END");
        return b;
    }
    if (Is("IF")) {
        Next();
        auto* s = NewStmt<IfStmt>(pos);
        s->cond = Expression();
        Expect("THEN");
        s->then = Statement();
        if (Is("ELSE")) {
            Next();
            s->otherwise = Statement();
        }
        return s;
    }
    if (Is("WHILE")) {
        Next();
        auto* s = NewStmt<WhileStmt>(pos);
        s->cond = Expression();
        Expect("DO");
        ++loopDepth_;
        s->body = Statement();
        --loopDepth_;
        return s;
    }
    if (Is("REPEAT")) {
        Next();
        auto* s = NewStmt<RepeatStmt>(pos);
        ++loopDepth_;
        s->body = Statements({"UNTIL"});
        --loopDepth_;
        Expect("UNTIL");
        s->cond = Expression();
        return s;
    }
    if (Is("FOR")) {
        Next();
        auto* s = NewStmt<ForStmt>(pos);
        ScriptPos vpos = tok_.pos;
        AnsiString name = Identifier();
        s->var = Name(name, vpos);
        if (!s->var->Assignable())
            throw EScriptError("Left side cannot be assigned to", vpos);
        Expect(":=");
        s->from = Expression();
        if (Is("DOWNTO"))
            s->down = true;
        else if (!Is("TO"))
            Fail("'to' or 'downto' expected but " + Describe() + " found");
        Next();
        s->to = Expression();
        Expect("DO");
        ++loopDepth_;
        s->body = Statement();
        --loopDepth_;
        return s;
    }
    if (Is("CASE")) {
        Next();
        auto* s = NewStmt<CaseStmt>(pos);
        s->selector = Expression();
        Expect("OF");
        while (!Is("END") && !Is("ELSE")) {
            if (tok_.kind == Tok::End)
                Fail("'end' expected but end of text found");
            auto labels = std::make_unique<SetCtorExpr>();
            for (;;) {
                ExprPtr lo = Take(Expression()), hi;
                if (Is("..")) {
                    Next();
                    hi = Take(Expression());
                }
                labels->items.emplace_back(std::move(lo), std::move(hi));
                if (!Is(","))
                    break;
                Next();
            }
            Expect(":");
            SetCtorExpr* raw = labels.get();
            unit_.exprs.push_back(std::move(labels));
            s->branches.emplace_back(raw, Statement());
            if (Is(";"))
                Next();
        }
        if (Is("ELSE")) {
            Next();
            s->otherwise = Statements({"END"});
        }
        Expect("END");
        return s;
    }
    if (Is("WITH")) {
        Next();
        if (!local_)
            Fail("Internal error: no scope for 'with'");
        std::vector<WithStmt*> chain;
        for (;;) {
            auto* s = NewStmt<WithStmt>(tok_.pos);
            s->object = Expression();
            s->slot = NewSlot(Variant());
            chain.push_back(s);
            if (!Is(","))
                break;
            Next();
        }
        Expect("DO");
        for (auto* w : chain)
            withSlots_.push_back(w->slot);
        Stmt* body = Statement();
        for (size_t k = 0; k < chain.size(); ++k)
            withSlots_.pop_back();
        for (size_t k = chain.size(); k-- > 0;) {
            chain[k]->body = body;
            body = chain[k];
        }
        return body;
    }
    if (Is("TRY")) {
        Next();
        auto* s = NewStmt<TryStmt>(pos);
        s->body = Statements({"EXCEPT", "FINALLY"});
        if (Is("FINALLY")) {
            s->finally = true;
        } else if (!Is("EXCEPT")) {
            Fail("'except' or 'finally' expected but " + Describe() + " found");
        }
        Next();
        if (Is("ON"))
            Fail("'on' handlers are not supported; use ExceptionMessage in the handler");
        s->handler = Statements({"END"});
        Expect("END");
        return s;
    }
    if (Is("BREAK") || Is("CONTINUE")) {
        if (loopDepth_ == 0)
            Fail("'" + tok_.text + "' outside a loop");
        auto* s = NewStmt<FlowStmt>(pos);
        s->flow = Is("BREAK") ? Flow::Break : Flow::Continue;
        Next();
        return s;
    }
    if (Is("EXIT")) {
        Next();
        auto* s = NewStmt<FlowStmt>(pos);
        s->flow = Flow::Exit;
        if (Is("(")) {
            Next();
            if (!Is(")")) {
                if (!local_ || local_->routine->resultSlot < 0)
                    Fail("Exit with a value outside a function");
                s->value = Expression();
                s->resultSlot = local_->routine->resultSlot;
            }
            Expect(")");
        }
        return s;
    }
    if (Is("RAISE")) {
        Next();
        auto* s = NewStmt<RaiseStmt>(pos);
        if (!AtAny({";", "END", "ELSE", "UNTIL", "EXCEPT", "FINALLY"}))
            s->value = Expression();
        return s;
    }
    if (tok_.kind == Tok::Ident && !Keywords().count(tok_.upper)) {
        Expr* target = Designator();
        if (Is(":=")) {
            if (!target->Assignable())
                throw EScriptError("Left side cannot be assigned to", target->pos);
            for (auto& l : late_)
                if (l.expr == target)
                    l.assigned = true;
            Next();
            auto* s = NewStmt<AssignStmt>(pos);
            s->target = target;
            s->value = Expression();
            return s;
        }
        auto* s = NewStmt<ExprStmt>(pos);
        s->expr = target;
        return s;
    }
    Fail("Statement expected but " + Describe() + " found");
}

void Parser::Program() {
    Next();
    if (Is("PROGRAM")) {
        Next();
        Identifier();
        Expect(";");
    }
    if (Is("USES")) {
        while (!Is(";") && tok_.kind != Tok::End)
            Next();
        Expect(";");
    }
    unit_.routines.emplace_back();
    ScriptRoutine* main = &unit_.routines.back();
    main->name = "main";
    main->owner = &script_;
    unit_.main = main;
    for (;;) {
        if (Is("VAR"))
            VarSection(true);
        else if (Is("CONST"))
            ConstSection(true);
        else if (Is("PROCEDURE") || Is("FUNCTION"))
            RoutineDeclaration();
        else if (Is("TYPE"))
            Fail("Type declarations are not supported");
        else
            break;
    }
    LocalScope scope{main, {}};
    local_ = &scope;
    if (Is("BEGIN")) {
        Next();
        main->body = Statements({"END"});
        Expect("END");
        Expect(".");
    } else if (tok_.kind != Tok::End) {
        Fail("'begin' expected but " + Describe() + " found");
    }
    local_ = nullptr;
    ResolveLate();
    // Bring the declarations in; they hide earlier ones of the same name.
    auto& table = script_.Internals().symbols;
    for (auto& [key, symbol] : pending_)
        table[key] = symbol;
}

} // namespace

bool TfsScript::Compile() {
    errorPos_.clear();
    errorMsg_.clear();
    if (!SameTextAscii(syntaxType_, "PascalScript")) {
        errorPos_ = "1:1";
        errorMsg_ = "Script language '" + syntaxType_ + "' is not supported";
        return false;
    }
    auto unit = std::make_unique<ScriptUnit>();
    try {
        Parser parser(*this, *unit, lines_);
        parser.Program();
    } catch (const EScriptError& e) {
        errorPos_ = e.Pos().Text();
        errorMsg_ = e.Message();
        return false;
    }
    impl_->main = unit->main;
    impl_->units.push_back(std::move(unit));
    return true;
}

bool TfsScript::MainHasStatements() const {
    auto* body = impl_->main ? dynamic_cast<BlockStmt*>(impl_->main->body) : nullptr;
    return body && !body->body.empty();
}

void TfsScript::AddMethod(std::string_view declaration, ScriptCallback callback) {
    AnsiString text(declaration);
    Parser parser(*this, impl_->added, text);
    ScriptRoutine* r = parser.HostDeclaration(std::move(callback));
    impl_->symbols[ScriptNameKey(r->name)] = Symbol{SymbolKind::Routine, nullptr, r, false};
}

AnsiString ScriptExceptionMessage() {
    return currentExceptionMessage;
}

} // namespace kanvo
