// TfsScript: the PascalScript interpreter that runs the report script, the
// expression wrappers and the event handlers.
//
// Source text is compiled once into a tree of nodes with every name resolved;
// running it never parses again. Names are compared without regard to letter
// case. A script owns its compiled code, its variables and the host methods
// added to it; objects added to it are borrowed. A parent script (SetParent)
// is a further scope: names not found in this script are looked up there, then
// in the standard library.
//
// Compile adds to what is already compiled: each successful compile brings its
// declarations in (a later declaration of a name hides the earlier one, whose
// compiled users stay valid) and replaces the main block. A failed compile
// changes nothing. Clear forgets everything.
#pragma once

#include "platform/variant.h"
#include "script/script_binding.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kanvo {

struct ScriptPos {
    int Line = 0, Column = 0;
    AnsiString Text() const; // "line:column"
};

// A runtime error of a script (a compile error is reported by Compile).
class EScriptError : public Exception {
public:
    EScriptError(AnsiString message, ScriptPos pos) : Exception(std::move(message)), pos_(pos) {}
    ScriptPos Pos() const { return pos_; }

private:
    ScriptPos pos_;
};

// A host method: gets the declared name and the arguments (one per declared
// parameter, defaults filled in; a macrofunction's arguments are their source
// texts) and returns the result. Changes to var arguments are written back.
using ScriptCallback = std::function<Variant(const AnsiString& name, std::vector<Variant>& args)>;

struct ScriptRoutine; // a compiled procedure or function, or a host method
struct ScriptUnit;

class TfsScript {
public:
    explicit TfsScript(TfsScript* parent = nullptr);
    ~TfsScript();
    TfsScript(const TfsScript&) = delete;
    TfsScript& operator=(const TfsScript&) = delete;

    // Forgets every added name, method, variable and all compiled code.
    void Clear();

    TfsScript* Parent() const { return parent_; }
    void SetParent(TfsScript* parent) { parent_ = parent; }

    void AddObject(std::string_view name, Object* object);
    // A variable the host reads and writes through Variable(name).
    void AddVariable(std::string_view name, std::string_view typeName, const Variant& value);
    void AddConst(std::string_view name, const Variant& value);
    // Declaration such as "function Get(Name: String): Variant",
    // "procedure Inc(var X: Integer; N: Integer = 1)" or
    // "macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant".
    // Raises EScriptError for a declaration that does not parse.
    void AddMethod(std::string_view declaration, ScriptCallback callback);

    void SetLines(AnsiString text) { lines_ = std::move(text); }
    const AnsiString& Lines() const { return lines_; }
    // "PascalScript" (any letter case); other languages fail to compile.
    void SetSyntaxType(AnsiString language) { syntaxType_ = std::move(language); }
    const AnsiString& SyntaxType() const { return syntaxType_; }

    // True on success; otherwise ErrorPos ("line:column") and ErrorMsg tell why.
    bool Compile();
    const AnsiString& ErrorPos() const { return errorPos_; }
    const AnsiString& ErrorMsg() const { return errorMsg_; }

    bool MainHasStatements() const;
    // Runs the main block. Runtime errors propagate as exceptions.
    void Execute();

    // Calls a procedure or function of this script or its parent by name;
    // args are written back for var parameters. Unknown names yield Null.
    Variant CallFunction(std::string_view name, std::vector<Variant>& args);
    Variant CallFunction(std::string_view name);
    // The compiled routine of that name (this script, then the parent), for
    // callers that call the same function many times.
    const ScriptRoutine* FindFunction(std::string_view name) const;
    Variant Call(const ScriptRoutine* routine, std::vector<Variant>& args);

    // A variable, constant, object or routine of that name in this script or
    // its parent: its value (a routine is called without arguments).
    std::optional<Variant> Find(std::string_view name);
    // The storage of a variable of this script or its parent; nullptr if none.
    Variant* Variable(std::string_view name);

    // Asks a running script to stop at its next statement. Cleared when a new
    // outermost Execute or call starts.
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    // Output of ShowMessage; without a hook the parent's hook is used, and
    // without any the message is dropped.
    void SetMessageHook(std::function<void(const AnsiString&)> hook) {
        messageHook_ = std::move(hook);
    }
    void ShowMessage(const AnsiString& text);

    // Where the last runtime error happened.
    ScriptPos RuntimeErrorPos() const { return runtimePos_; }

    struct Impl;
    Impl& Internals() const { return *impl_; }

private:
    friend struct ScriptRunner;
    TfsScript* parent_;
    AnsiString lines_;
    AnsiString syntaxType_ = "PascalScript";
    AnsiString errorPos_, errorMsg_;
    bool terminated_ = false;
    int depth_ = 0;
    ScriptPos runtimePos_;
    std::function<void(const AnsiString&)> messageHook_;
    std::unique_ptr<Impl> impl_;
};

// The script whose code is calling a host method right now (nullptr outside
// a call): IIF-like methods evaluate their arguments in its scope.
TfsScript* CallingScript();

// Registers the standard library (called once, on first use of any script).
void RegisterScriptStandardLibrary(TfsScript& system);
// The process-wide scope that holds the standard library.
TfsScript& ScriptSystemScope();

} // namespace kanvo
