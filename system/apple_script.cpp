#include "system/apple_script.h"

#include "foundation/no_case_comparison.h"
#include "foundation/string_construction.h"
#include "foundation/values.h"
#include "platform/log.h"
#include "platform/path_semantics.h"

#include <QCoreApplication>
#include <QThread>

#include <execinfo.h>

#include <cstdlib>
#include <exception>
#include <map>
#include <mutex>

namespace sorvant {

namespace {

const QString kAppleScript = QStringLiteral("AppleScript");
const QString kUnavailable = QStringLiteral("AppleScript is not available on this system");

QVariantMap unavailableError()
{
    return {{QStringLiteral("OSAScriptErrorMessageKey"), kUnavailable},
            {QStringLiteral("OSAScriptErrorBriefMessageKey"), kUnavailable},
            {QStringLiteral("OSAScriptErrorNumberKey"), kScriptUnavailableError}};
}

class UnavailableScript : public CompiledScript
{
public:
    explicit UnavailableScript(QString source) : m_source(std::move(source)) {}
    [[nodiscard]] bool isCompiled() const override { return false; }
    bool compileAndReturnError(QVariantMap* error) override
    {
        if (error)
            *error = unavailableError();
        return false;
    }
    ScriptResult executeAndReturnError(QVariantMap* error) override
    {
        compileAndReturnError(error);
        return std::nullopt;
    }
    ScriptResult executeAppleEvent(const AppleEventDescriptor&, QVariantMap* error) override
    {
        compileAndReturnError(error);
        return std::nullopt;
    }
    [[nodiscard]] QString source() const override { return m_source; }

private:
    QString m_source;
};

class UnavailableEngine : public ScriptEngine
{
public:
    [[nodiscard]] QString name() const override { return kAppleScript; }
    std::unique_ptr<CompiledScript> newScriptWithSource(const QString& source) override
    {
        return std::make_unique<UnavailableScript>(source);
    }
    std::unique_ptr<CompiledScript> newScriptWithFile(const QString&, QVariantMap* error) override
    {
        if (error)
            *error = unavailableError();
        return nullptr;
    }
};

struct Registry
{
    std::mutex lock;
    std::map<QString, std::shared_ptr<ScriptEngine>> engines;
};

Registry& registry()
{
    static Registry* instance = [] {
        auto* created = new Registry;
        created->engines[kAppleScript] = unavailableAppleScriptEngine();
        return created;
    }();
    return *instance;
}

// The static-script cache: the flag, and the scripts while it is on.
struct Cache
{
    std::recursive_mutex lock;
    bool enabled = false;
    std::optional<std::map<QString, std::shared_ptr<CompiledScript>>> scripts;
};

Cache& cache()
{
    static Cache instance;
    return instance;
}

std::shared_ptr<CompiledScript> cachedScript(const QString& key)
{
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    if (!c.scripts)
        return nullptr;
    const auto found = c.scripts->find(key);
    return found == c.scripts->end() ? nullptr : found->second;
}

void storeScript(const QString& key, const std::shared_ptr<CompiledScript>& script)
{
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    if (c.enabled && c.scripts)
        (*c.scripts)[key] = script;
}

QString valueText(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QVariantMap)
        return scriptErrorDescription(value.toMap());
    if (isNumberValue(value))
        return stringValue(value);
    return value.toString();
}

QVariant eitherKey(const QVariantMap& error, const QString& scriptKey, const QString& osaKey)
{
    const auto found = error.find(scriptKey);
    if (found != error.end())
        return *found;
    return error.value(osaKey);
}

QString callStack()
{
    void* frames[64];
    const int count = ::backtrace(frames, 64);
    char** symbols = ::backtrace_symbols(frames, count);
    QStringList lines;
    for (int i = 0; symbols && i < count; ++i)
        lines.append(QString::fromLocal8Bit(symbols[i]));
    std::free(symbols);
    return lines.join(QLatin1Char('\n'));
}

bool onMainThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application == nullptr || QThread::currentThread() == application->thread();
}

enum class Origin
{
    Source,
    File
};

// The one road of every compile-and-execute form: find or make the script,
// compile it, run it whole or call one handler, hand back the error.
ScriptResult compileAndExecute(Origin origin, const QString& key, const QString& language, bool isStatic,
                               QVariantMap* error, const QString* function, const AppleEventDescriptor* arguments,
                               const char* method)
{
    if (key.isEmpty() || (function && function->isEmpty()))
        return std::nullopt;
    try {
        QVariantMap information;
        ScriptResult result;
        std::shared_ptr<CompiledScript> script;
        if (isStatic || origin == Origin::File)
            script = cachedScript(key);
        bool usable = script != nullptr;
        if (!script) {
            script = origin == Origin::Source ? std::shared_ptr<CompiledScript>(newScriptWithSource(key, language))
                                              : std::shared_ptr<CompiledScript>(
                                                    newScriptWithFile(key, language, &information));
            usable = script && (script->isCompiled() || script->compileAndReturnError(&information));
            if (!usable && !error)
                logMessage(QStringLiteral("Invalid script: %1\n%2").arg(key, scriptErrorDescription(information)));
            if (usable && (isStatic || origin == Origin::File))
                storeScript(key, script);
        }
        if (usable) {
            if (!function) {
                result = script->executeAndReturnError(&information);
            } else {
                result = script->executeAppleEvent(handlerCallEvent(*function, arguments), &information);
                if (!error && intValue(scriptErrorNumber(information)) != 0)
                    logMessage(QStringLiteral("on %1: %2").arg(*function, scriptErrorDescription(information)));
            }
        }
        if (error && integerValue(scriptErrorNumber(information)) != 0)
            *error = information;
        return result;
    } catch (const std::exception& exception) {
        logException(QString::fromLatin1(method), QStringLiteral("NSAppleScript"), exception);
        return std::nullopt;
    }
}

} // namespace

std::shared_ptr<ScriptEngine> unavailableAppleScriptEngine()
{
    static const std::shared_ptr<ScriptEngine> engine = std::make_shared<UnavailableEngine>();
    return engine;
}

std::shared_ptr<ScriptEngine> registerScriptLanguage(const QString& name, std::shared_ptr<ScriptEngine> engine)
{
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    std::shared_ptr<ScriptEngine> previous;
    if (const auto found = r.engines.find(name); found != r.engines.end())
        previous = found->second;
    if (engine)
        r.engines[name] = std::move(engine);
    else
        r.engines.erase(name);
    return previous;
}

std::shared_ptr<ScriptEngine> languageForName(const QString& name)
{
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    const auto found = r.engines.find(name);
    return found == r.engines.end() ? nullptr : found->second;
}

std::shared_ptr<ScriptEngine> defaultLanguage()
{
    return languageForName(kAppleScript);
}

const QStringList& AppleScriptTypes()
{
    static const QStringList types {QStringLiteral("'scpt'"),       QStringLiteral("'osas'"),
                                    QStringLiteral("'APPL'"),       QStringLiteral("scpt"),
                                    QStringLiteral("scptd"),        QStringLiteral("applescript"),
                                    QStringLiteral("templatescript"), QStringLiteral("templatescriptd")};
    return types;
}

bool isAppleScriptExtension(const QString& extension, const QString& type)
{
    for (qsizetype i = 3; i < AppleScriptTypes().size(); ++i)
        if (isEqualToStringNoCase(extension, AppleScriptTypes()[i]))
            return true;
    for (qsizetype i = 0; i < 3; ++i)
        if (type == AppleScriptTypes()[i])
            return true;
    return false;
}

bool isAppleScriptFile(const QString& path)
{
    // Linux files carry no type codes: the extension decides.
    return !path.isEmpty() && isAppleScriptExtension(pathExtension(path), QString());
}

bool isTemplateScriptExtension(const QString& extension)
{
    return isEqualToStringNoCase(extension, QStringLiteral("templatescript"))
        || isEqualToStringNoCase(extension, QStringLiteral("templatescriptd"));
}

QString sourceAtPath(const QString& path)
{
    if (!isAppleScriptFile(path))
        return {};
    try {
        if (const auto script = newScriptWithFile(path, QString(), nullptr)) {
            const QString source = script->source();
            if (!source.isNull())
                return source;
        }
    } catch (const std::exception&) {
        // A script the engine cannot load is read as text below.
    }
    if (hasSuffixNoCase(path, QStringLiteral(".applescript")))
        return stringWithContentsOfFile(path, 0xFFFFFFFFu);
    return {};
}

bool usesCachingForStaticScripts()
{
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    return c.enabled;
}

void setUseCachingForStaticScripts(bool use)
{
    if (!onMainThread()) {
        logMessage(QStringLiteral("WARNING: setUseCachingForStaticScripts: should be called from main thread."));
        logMessage(callStack());
    }
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    c.enabled = use;
    if (use && !c.scripts)
        c.scripts.emplace();
    else if (!use)
        c.scripts.reset();
}

void clearCacheForStaticScripts()
{
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    if (c.enabled && c.scripts)
        c.scripts->clear();
}

qsizetype cachedStaticScriptCount()
{
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    return c.scripts ? static_cast<qsizetype>(c.scripts->size()) : 0;
}

std::unique_ptr<CompiledScript> newScriptWithSource(const QString& source, const QString& language)
{
    const auto engine = language.isEmpty() ? defaultLanguage() : languageForName(language);
    return engine ? engine->newScriptWithSource(source) : nullptr;
}

std::unique_ptr<CompiledScript> newScriptWithFile(const QString& path, const QString& language, QVariantMap* error)
{
    const auto engine = language.isEmpty() ? defaultLanguage() : languageForName(language);
    return engine ? engine->newScriptWithFile(path, error) : nullptr;
}

AppleEventDescriptor handlerCallEvent(const QString& function, const AppleEventDescriptor* arguments)
{
    AppleEventDescriptor event = AppleEventDescriptor::appleEventWithEventClass(
        fourCharCode("ascr"), fourCharCode("psbr"), AppleEventDescriptor::currentProcessDescriptor(), -1, 0);
    event.setDescriptorForKeyword(AppleEventDescriptor::descriptorWithString(function.toLower()),
                                  fourCharCode("snam"));
    if (arguments)
        event.setDescriptorForKeyword(*arguments, keyDirectObject);
    return event;
}

std::optional<AppleEventDescriptor> argumentList(const QVariantList& params)
{
    if (params.isEmpty() || !params.first().isValid())
        return std::nullopt;
    AppleEventDescriptor list = AppleEventDescriptor::listDescriptor();
    qsizetype index = 1;
    for (const QVariant& param : params) {
        if (!param.isValid())
            break;
        list.insertObject(param, index++);
    }
    return list;
}

ScriptResult compileAndExecuteSource(const QString& source, const QString& language, bool isStatic,
                                     QVariantMap* error)
{
    return compileAndExecute(Origin::Source, source, language, isStatic, error, nullptr, nullptr,
                             "compileAndExecuteSource:language:isStatic:error:");
}

ScriptResult compileAndExecuteSourceFunction(const QString& source, const QString& language, bool isStatic,
                                             QVariantMap* error, const QString& function,
                                             const AppleEventDescriptor* arguments)
{
    return compileAndExecute(Origin::Source, source, language, isStatic, error, &function, arguments,
                             "compileAndExecuteSource:language:isStatic:error:function:arguments:");
}

ScriptResult compileAndExecuteSourceFunctionParam(const QString& source, const QString& language, bool isStatic,
                                                  QVariantMap* error, const QString& function,
                                                  const QVariant& param)
{
    return compileAndExecuteSourceFunctionParams(source, language, isStatic, error, function, {param});
}

ScriptResult compileAndExecuteSourceFunctionParams(const QString& source, const QString& language, bool isStatic,
                                                   QVariantMap* error, const QString& function,
                                                   const QVariantList& params)
{
    const auto list = argumentList(params);
    return compileAndExecuteSourceFunction(source, language, isStatic, error, function, list ? &*list : nullptr);
}

ScriptResult compileAndExecuteFile(const QString& path, const QString& language, QVariantMap* error)
{
    return compileAndExecute(Origin::File, path, language, false, error, nullptr, nullptr,
                             "compileAndExecuteFile:language:error:");
}

ScriptResult compileAndExecuteFileFunction(const QString& path, const QString& language, QVariantMap* error,
                                           const QString& function, const AppleEventDescriptor* arguments)
{
    return compileAndExecute(Origin::File, path, language, false, error, &function, arguments,
                             "compileAndExecuteFile:language:error:function:arguments:");
}

ScriptResult compileAndExecuteFileFunctionParam(const QString& path, const QString& language, QVariantMap* error,
                                                const QString& function, const QVariant& param)
{
    return compileAndExecuteFileFunctionParams(path, language, error, function, {param});
}

ScriptResult compileAndExecuteFileFunctionParams(const QString& path, const QString& language, QVariantMap* error,
                                                 const QString& function, const QVariantList& params)
{
    const auto list = argumentList(params);
    return compileAndExecuteFileFunction(path, language, error, function, list ? &*list : nullptr);
}

ScriptResult executeFunction(CompiledScript& script, const QString& function, QVariantMap* error,
                             const AppleEventDescriptor* arguments)
{
    if (function.isEmpty()) {
        if (error)
            error->clear();
        return std::nullopt;
    }
    return script.executeAppleEvent(handlerCallEvent(function, arguments), error);
}

ScriptResult executeFunctionParam(CompiledScript& script, const QString& function, QVariantMap* error,
                                  const QVariant& param)
{
    return executeFunctionParams(script, function, error, {param});
}

ScriptResult executeFunctionParams(CompiledScript& script, const QString& function, QVariantMap* error,
                                   const QVariantList& params)
{
    const auto list = argumentList(params);
    return executeFunction(script, function, error, list ? &*list : nullptr);
}

QVariant scriptErrorMessage(const QVariantMap& error)
{
    return eitherKey(error, QStringLiteral("NSAppleScriptErrorMessage"), QStringLiteral("OSAScriptErrorMessageKey"));
}

QVariant scriptErrorBriefMessage(const QVariantMap& error)
{
    return eitherKey(error, QStringLiteral("NSAppleScriptErrorBriefMessage"),
                     QStringLiteral("OSAScriptErrorBriefMessageKey"));
}

QVariant scriptErrorNumber(const QVariantMap& error)
{
    return eitherKey(error, QStringLiteral("NSAppleScriptErrorNumber"), QStringLiteral("OSAScriptErrorNumberKey"));
}

QVariant scriptErrorRange(const QVariantMap& error)
{
    return eitherKey(error, QStringLiteral("NSAppleScriptErrorRange"), QStringLiteral("OSAScriptErrorRangeKey"));
}

QString scriptErrorDescription(const QVariantMap& error)
{
    QStringList entries;
    for (auto it = error.begin(); it != error.end(); ++it)
        entries.append(QStringLiteral("%1 = %2;").arg(it.key(), valueText(it.value())));
    return QLatin1Char('{') + entries.join(QLatin1Char(' ')) + QLatin1Char('}');
}

} // namespace sorvant
