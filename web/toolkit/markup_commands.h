#pragma once
// Script commands that take HTML or feed source and answer what is found in
// it: the title, the favicon, plain or rich text, links, images, frames,
// style sheets and scripts, embedded objects, a feed's items and a display
// page of a feed. Linux has no scripting bridge these could be registered
// with: each handler takes a ScriptCommand (direct parameter, named
// arguments, error number and text) and answers the value a script would
// get; nothing registers them.
//
// Arguments are QVariants: a string is a QString, a URL a QUrl, the null
// object QVariant::fromValue(nullptr), a missing argument an invalid QVariant.

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace sorvant {

class ScriptCommand
{
public:
    ScriptCommand(QVariant directParameter, QVariantMap evaluatedArguments);
    ~ScriptCommand();
    ScriptCommand(const ScriptCommand&) = delete;
    ScriptCommand& operator=(const ScriptCommand&) = delete;

    [[nodiscard]] const QVariant& directParameter() const { return m_directParameter; }
    [[nodiscard]] const QVariantMap& evaluatedArguments() const { return m_arguments; }

    void setScriptErrorNumber(int number) { m_errorNumber = number; }
    void setScriptErrorString(const QString& text) { m_errorString = text; }
    [[nodiscard]] int scriptErrorNumber() const { return m_errorNumber; }
    [[nodiscard]] const QString& scriptErrorString() const { return m_errorString; }

    // The command being handled on this thread (the innermost one alive).
    [[nodiscard]] static ScriptCommand* currentCommand();

private:
    QVariant m_directParameter;
    QVariantMap m_arguments;
    int m_errorNumber = 0;
    QString m_errorString;
    ScriptCommand* m_previous = nullptr;
};

// The script error of an invalid argument.
inline constexpr int kScriptErrorInvalidArgument = -50;

// --- handlers -----------------------------------------------------------------------
// Each answers "" (text handlers), an empty list (list handlers) or an
// invalid QVariant (rich text) for a missing, null or empty source; a
// source that is no string sets error -50 "Invalid argument source".
[[nodiscard]] QVariant getTitleCommand(ScriptCommand& command);
[[nodiscard]] QVariant getFaviconCommand(ScriptCommand& command);
[[nodiscard]] QVariant getTextCommand(ScriptCommand& command);
// An AttributedString; "URL" (a web address) is the base of its links.
[[nodiscard]] QVariant getRichTextCommand(ScriptCommand& command);
[[nodiscard]] QVariant convertFeedCommand(ScriptCommand& command);
// A list of item dictionaries, each with "title" (references decoded) and "html".
[[nodiscard]] QVariant getFeedsCommand(ScriptCommand& command);
// Lists of address strings: absolute against "baseURL" or the page's own
// base, loadable only, of path extension "type" (ignoring case) when given.
[[nodiscard]] QVariant getImagesCommand(ScriptCommand& command);
[[nodiscard]] QVariant getSheetsAndScriptsCommand(ScriptCommand& command);
[[nodiscard]] QVariant getObjectsCommand(ScriptCommand& command);
// A source that is no string gives an empty list without an error.
[[nodiscard]] QVariant getFramesCommand(ScriptCommand& command);
// Only links containing "containing" when it is given.
[[nodiscard]] QVariant getLinksCommand(ScriptCommand& command);

} // namespace sorvant
