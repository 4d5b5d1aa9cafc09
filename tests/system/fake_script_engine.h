#pragma once
// A script engine for tests, registered under a language name for the life
// of the object (replacing "AppleScript" when asked, so code that runs the
// default language reaches it). Sources holding "syntax error" fail to
// compile; a whole run answers the engine's `runResult` (default: the
// source); a handler call answers `handlerResult` (default: the name it
// received), and a handler named "fails" reports error number 7. Every
// compile and event is recorded.

#include "system/apple_script.h"

#include <QStringList>

#include <mutex>

namespace sorvant::test {

class FakeScriptEngine : public ScriptEngine, public std::enable_shared_from_this<FakeScriptEngine>
{
public:
    explicit FakeScriptEngine(QString language) : m_language(std::move(language)) {}

    [[nodiscard]] QString name() const override { return m_language; }
    std::unique_ptr<CompiledScript> newScriptWithSource(const QString& source) override;
    std::unique_ptr<CompiledScript> newScriptWithFile(const QString& path, QVariantMap* error) override;

    // Filled by the scripts this engine made.
    std::mutex lock;
    int compiles = 0;
    QStringList compiledSources;
    QList<AppleEventDescriptor> events;
    QString handlerResult; // null: the handler's name
    QString runResult;     // null: the script's source
    bool throwOnRun = false;

private:
    QString m_language;
};

// Registers an engine for the life of the object and restores the previous.
class ScopedScriptEngine
{
public:
    explicit ScopedScriptEngine(const QString& language = QStringLiteral("AppleScript"))
        : engine(std::make_shared<FakeScriptEngine>(language)),
          m_language(language),
          m_previous(registerScriptLanguage(language, engine))
    {
        setUseCachingForStaticScripts(false);
    }
    ~ScopedScriptEngine()
    {
        setUseCachingForStaticScripts(false);
        registerScriptLanguage(m_language, m_previous);
    }
    ScopedScriptEngine(const ScopedScriptEngine&) = delete;
    ScopedScriptEngine& operator=(const ScopedScriptEngine&) = delete;

    std::shared_ptr<FakeScriptEngine> engine;

private:
    QString m_language;
    std::shared_ptr<ScriptEngine> m_previous;
};

} // namespace sorvant::test
