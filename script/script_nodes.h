// The compiled form of a script: expression and statement nodes with every
// name resolved, and the routines that own them. Internal to the script layer.
#pragma once

#include "script/script.h"
#include "script/variant_ops.h"

#include <deque>
#include <unordered_map>

namespace kanvo {

class TfsScript;

// The run-time frame of one routine call.
struct Frame {
    Variant** slots = nullptr;
    TfsScript* script = nullptr; // owner of the routine being run
    bool* stop = nullptr;
    ScriptPos* pos = nullptr;
};

struct Expr {
    ScriptPos pos;
    virtual ~Expr() = default;
    virtual Variant Eval(Frame& f) = 0;
    // Storage of the value when it is a plain variable, else nullptr.
    virtual Variant* Ref(Frame&) { return nullptr; }
    virtual bool Assignable() const { return false; }
    virtual void Assign(Frame&, const Variant&) {}
};
using ExprPtr = std::unique_ptr<Expr>;

enum class Flow { Normal, Break, Continue, Exit, Stop };

struct Stmt {
    ScriptPos pos;
    virtual ~Stmt() = default;
    virtual Flow Run(Frame& f) = 0;
};
using StmtPtr = std::unique_ptr<Stmt>;

struct ScriptParam {
    AnsiString name;
    bool byRef = false;
    bool hasDefault = false;
    Variant defaultValue;   // for a host method
    AnsiString defaultText; // its source text (a macrofunction's default)
};

struct ScriptRoutine {
    AnsiString name;
    std::vector<ScriptParam> params;
    bool isFunction = false;
    bool macro = false;
    ScriptCallback host;  // a host method when set
    Stmt* body = nullptr; // a script routine
    int slotCount = 0;
    int resultSlot = -1;
    std::vector<Variant> slotDefaults; // initial values of the locals
    TfsScript* owner = nullptr;
    size_t RequiredCount() const {
        size_t n = 0;
        for (auto& p : params)
            if (!p.hasDefault)
                ++n;
        return n;
    }
};

enum class SymbolKind { Variable, Routine };

struct Symbol {
    SymbolKind kind = SymbolKind::Variable;
    Variant* cell = nullptr; // variable, constant or object
    ScriptRoutine* routine = nullptr;
    bool constant = false;
};

using SymbolTable = std::unordered_map<AnsiString, Symbol>;

// One compiled source text: owns its nodes, routines and variables.
struct ScriptUnit {
    std::vector<ExprPtr> exprs;
    std::vector<StmtPtr> stmts;
    std::deque<ScriptRoutine> routines;
    std::deque<Variant> cells;
    ScriptRoutine* main = nullptr;
};

struct TfsScript::Impl {
    SymbolTable symbols;
    std::vector<std::unique_ptr<ScriptUnit>> units; // compiled, and the added names
    ScriptUnit added;                               // objects, variables, host methods
    ScriptRoutine* main = nullptr;
};

// Runs a routine with arguments already evaluated; refs[i] (may be null)
// receives the value of a var parameter afterwards.
Variant InvokeRoutine(const ScriptRoutine& r, std::vector<Variant>& args, TfsScript* caller);

// The message of the exception being handled by the innermost except block.
AnsiString ScriptExceptionMessage();

bool IsSystemScope(const TfsScript* script);
// The script whose code calls a host method right now (for ShowMessage).
TfsScript* CurrentScript();
class ScopedCurrentScript {
public:
    explicit ScopedCurrentScript(TfsScript* script);
    ~ScopedCurrentScript();
    ScopedCurrentScript(const ScopedCurrentScript&) = delete;
    ScopedCurrentScript& operator=(const ScopedCurrentScript&) = delete;

private:
    TfsScript* saved_;
};

} // namespace kanvo
