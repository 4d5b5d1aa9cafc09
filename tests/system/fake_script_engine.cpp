#include "tests/system/fake_script_engine.h"

#include <QFile>

#include <stdexcept>

namespace sorvant::test {

namespace {

class FakeScript : public CompiledScript
{
public:
    FakeScript(std::shared_ptr<FakeScriptEngine> engine, QString source)
        : m_engine(std::move(engine)), m_source(std::move(source))
    {
    }
    [[nodiscard]] bool isCompiled() const override { return m_compiled; }
    bool compileAndReturnError(QVariantMap* error) override
    {
        std::lock_guard guard(m_engine->lock);
        ++m_engine->compiles;
        m_engine->compiledSources.append(m_source);
        if (m_source.contains(QLatin1String("syntax error"))) {
            if (error)
                *error = {{QStringLiteral("NSAppleScriptErrorMessage"), QStringLiteral("Expected end of line")},
                          {QStringLiteral("NSAppleScriptErrorNumber"), -2741}};
            return false;
        }
        m_compiled = true;
        return true;
    }
    ScriptResult executeAndReturnError(QVariantMap*) override
    {
        if (m_engine->throwOnRun)
            throw std::runtime_error("engine broke");
        return AppleEventDescriptor::descriptorWithString(m_engine->runResult.isNull() ? m_source
                                                                                         : m_engine->runResult);
    }
    ScriptResult executeAppleEvent(const AppleEventDescriptor& event, QVariantMap* error) override
    {
        std::lock_guard guard(m_engine->lock);
        m_engine->events.append(event);
        const QString name = event.descriptorForKeyword(fourCharCode("snam"))->stringValue();
        if (name == QLatin1String("fails")) {
            if (error)
                *error = {{QStringLiteral("OSAScriptErrorNumberKey"), 7},
                          {QStringLiteral("OSAScriptErrorMessageKey"), QStringLiteral("handler failed")}};
            return std::nullopt;
        }
        return AppleEventDescriptor::descriptorWithString(m_engine->handlerResult.isNull() ? name
                                                                                             : m_engine->handlerResult);
    }
    [[nodiscard]] QString source() const override { return m_source; }

private:
    std::shared_ptr<FakeScriptEngine> m_engine;
    QString m_source;
    bool m_compiled = false;
};

} // namespace

std::unique_ptr<CompiledScript> FakeScriptEngine::newScriptWithSource(const QString& source)
{
    return std::make_unique<FakeScript>(shared_from_this(), source);
}

std::unique_ptr<CompiledScript> FakeScriptEngine::newScriptWithFile(const QString& path, QVariantMap* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || path.endsWith(QLatin1String(".applescript"))) {
        if (error)
            *error = {{QStringLiteral("NSAppleScriptErrorNumber"), -43}};
        return nullptr;
    }
    return std::make_unique<FakeScript>(shared_from_this(), QString::fromUtf8(file.readAll()));
}

} // namespace sorvant::test
