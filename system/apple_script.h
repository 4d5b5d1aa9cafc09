#pragma once
// Running scripts for the rest of the system through a script engine that a
// language registry names. This system ships one engine, "AppleScript",
// which has no interpreter on Linux: it makes scripts that never compile and
// answers every compile with an error dictionary ("AppleScript is not
// available on this system", number kScriptUnavailableError), never with a
// fake success. Other engines (tests register their own) plug in through
// registerScriptLanguage.
//
// Scripts marked static, and script files, stay compiled in a process-wide
// cache while caching is on (keyed by source text / file path), so repeated
// calls skip compiling. A handler is called by name through a subroutine
// event ('ascr'/'psbr') to this process: 'snam' holds the lower-cased name,
// '----' the argument list when there are arguments.
//
// Error dictionaries carry either key set: "NSAppleScriptErrorMessage" …
// or "OSAScriptErrorMessageKey" …; the accessors read whichever is present.

#include "system/apple_event_descriptor.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace sorvant {

using ScriptResult = std::optional<AppleEventDescriptor>;

// A script of one engine (compiled or not).
class CompiledScript
{
public:
    virtual ~CompiledScript() = default;
    [[nodiscard]] virtual bool isCompiled() const = 0;
    // Fills `error` (may be null) on failure.
    virtual bool compileAndReturnError(QVariantMap* error) = 0;
    virtual ScriptResult executeAndReturnError(QVariantMap* error) = 0;
    virtual ScriptResult executeAppleEvent(const AppleEventDescriptor& event, QVariantMap* error) = 0;
    // The script's source text, or null.
    [[nodiscard]] virtual QString source() const = 0;
};

class ScriptEngine
{
public:
    virtual ~ScriptEngine() = default;
    [[nodiscard]] virtual QString name() const = 0;
    // A new, uncompiled script; null when the engine cannot make one.
    [[nodiscard]] virtual std::unique_ptr<CompiledScript> newScriptWithSource(const QString& source) = 0;
    // A script loaded from a file; null (and `error` filled) when it cannot.
    [[nodiscard]] virtual std::unique_ptr<CompiledScript> newScriptWithFile(const QString& path,
                                                                          QVariantMap* error) = 0;
};

// --- the language registry ---------------------------------------------------------------------

inline constexpr int kScriptUnavailableError = -1750;

// Registers (or with null removes) the engine for its name; answers the
// engine it replaced. The shipped "AppleScript" engine is there from the
// start and is the default language.
std::shared_ptr<ScriptEngine> registerScriptLanguage(const QString& name, std::shared_ptr<ScriptEngine> engine);
[[nodiscard]] std::shared_ptr<ScriptEngine> languageForName(const QString& name);
[[nodiscard]] std::shared_ptr<ScriptEngine> defaultLanguage();
// The shipped engine, for putting it back.
[[nodiscard]] std::shared_ptr<ScriptEngine> unavailableAppleScriptEngine();

// --- script files ------------------------------------------------------------------------------

// "'scpt'", "'osas'", "'APPL'", "scpt", "scptd", "applescript",
// "templatescript", "templatescriptd".
[[nodiscard]] const QStringList& AppleScriptTypes();
// Extensions ignoring case; file types exactly.
[[nodiscard]] bool isAppleScriptExtension(const QString& extension, const QString& type);
[[nodiscard]] bool isAppleScriptFile(const QString& path);
[[nodiscard]] bool isTemplateScriptExtension(const QString& extension);
// The source of a script file as its engine gives it, else for an
// ".applescript" file its text (encoding detected); null otherwise.
[[nodiscard]] QString sourceAtPath(const QString& path);

// --- the static-script cache -------------------------------------------------------------------

[[nodiscard]] bool usesCachingForStaticScripts();
// Belongs on the main thread: elsewhere a warning and the call stack are
// logged (the switch is made all the same).
void setUseCachingForStaticScripts(bool use);
void clearCacheForStaticScripts();
// How many scripts the cache holds (0 while caching is off).
[[nodiscard]] qsizetype cachedStaticScriptCount();

// A new script of the named language (empty: the default); null when the
// language is unknown or the engine makes none.
[[nodiscard]] std::unique_ptr<CompiledScript> newScriptWithSource(const QString& source, const QString& language);
[[nodiscard]] std::unique_ptr<CompiledScript> newScriptWithFile(const QString& path, const QString& language,
                                                              QVariantMap* error);

// --- compile and execute -----------------------------------------------------------------------
// Nil for an empty source/path (and, in the handler forms, an empty
// function), a failed compile or a failed run. `error` receives the error
// dictionary only when it carries a non-zero error number; without `error`
// a failed compile logs "Invalid script: <source or path>\n<error>" and a
// failed handler run logs "on <function>: <error>". `params` lists stop at
// their first nil (invalid) value; a nil first value sends no arguments at
// all.

ScriptResult compileAndExecuteSource(const QString& source, const QString& language, bool isStatic,
                                     QVariantMap* error);
ScriptResult compileAndExecuteSourceFunction(const QString& source, const QString& language, bool isStatic,
                                             QVariantMap* error, const QString& function,
                                             const AppleEventDescriptor* arguments);
ScriptResult compileAndExecuteSourceFunctionParam(const QString& source, const QString& language, bool isStatic,
                                                  QVariantMap* error, const QString& function,
                                                  const QVariant& param);
ScriptResult compileAndExecuteSourceFunctionParams(const QString& source, const QString& language, bool isStatic,
                                                   QVariantMap* error, const QString& function,
                                                   const QVariantList& params);

ScriptResult compileAndExecuteFile(const QString& path, const QString& language, QVariantMap* error);
ScriptResult compileAndExecuteFileFunction(const QString& path, const QString& language, QVariantMap* error,
                                           const QString& function, const AppleEventDescriptor* arguments);
ScriptResult compileAndExecuteFileFunctionParam(const QString& path, const QString& language, QVariantMap* error,
                                                const QString& function, const QVariant& param);
ScriptResult compileAndExecuteFileFunctionParams(const QString& path, const QString& language, QVariantMap* error,
                                                 const QString& function, const QVariantList& params);

// The handler-call event for `function` (lower-cased) with `arguments`.
[[nodiscard]] AppleEventDescriptor handlerCallEvent(const QString& function, const AppleEventDescriptor* arguments);
// The argument list of a nil-terminated parameter list, or nil.
[[nodiscard]] std::optional<AppleEventDescriptor> argumentList(const QVariantList& params);

// Handler calls on a script the caller holds. An empty name clears `error`
// and answers nil; the result is the engine's, unchanged.
ScriptResult executeFunction(CompiledScript& script, const QString& function, QVariantMap* error,
                             const AppleEventDescriptor* arguments);
ScriptResult executeFunctionParam(CompiledScript& script, const QString& function, QVariantMap* error,
                                  const QVariant& param);
ScriptResult executeFunctionParams(CompiledScript& script, const QString& function, QVariantMap* error,
                                   const QVariantList& params);

// --- error dictionaries ------------------------------------------------------------------------

[[nodiscard]] QVariant scriptErrorMessage(const QVariantMap& error);
[[nodiscard]] QVariant scriptErrorBriefMessage(const QVariantMap& error);
[[nodiscard]] QVariant scriptErrorNumber(const QVariantMap& error);
[[nodiscard]] QVariant scriptErrorRange(const QVariantMap& error);
// "{key = value; …}" for log lines.
[[nodiscard]] QString scriptErrorDescription(const QVariantMap& error);

} // namespace sorvant
