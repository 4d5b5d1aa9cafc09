#include "web/toolkit/markup_commands.h"

#include "foundation/string_format.h"
#include "foundation/values.h"
#include "platform/log.h"
#include "platform/string_compare.h"
#include "platform/url.h"
#include "web/toolkit/feed_services.h"
#include "web/toolkit/html_services.h"
#include "web/toolkit/rich_text_files.h"
#include "web/url/url_predicates.h"

#include <QCoreApplication>
#include <QUrl>

namespace sorvant {

namespace {

thread_local ScriptCommand* t_currentCommand = nullptr;

bool isNullObject(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<std::nullptr_t>();
}

bool isString(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<QString>();
}

QString receiverClassName()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr ? QString::fromLatin1(application->metaObject()->className())
                                   : QStringLiteral("(null)");
}

// Sets error -50 on the current command and logs the offending value.
void invalidArgument(const char* selector, const char* name, const QVariant& value)
{
    if (ScriptCommand* command = ScriptCommand::currentCommand()) {
        command->setScriptErrorNumber(kScriptErrorInvalidArgument);
        command->setScriptErrorString(QStringLiteral("Invalid argument %1").arg(QString::fromLatin1(name)));
    }
    logMessage(QStringLiteral("%1 (%2): Invalid argument %3: '%4'.")
                   .arg(QString::fromLatin1(selector), receiverClassName(), QString::fromLatin1(name),
                        describeFormatArgument(value)));
}

// The source text; null when it is missing, null, empty or invalid (after
// reporting it unless `quiet`).
QString sourceOf(ScriptCommand& command, const char* selector, bool quiet = false)
{
    const QVariant& source = command.directParameter();
    if (!source.isValid() || isNullObject(source))
        return QString();
    if (!isString(source)) {
        if (!quiet)
            invalidArgument(selector, "source", source);
        return QString();
    }
    const QString text = source.toString();
    return text.isEmpty() ? QString() : text;
}

// A string argument; null when missing, null or invalid (reported).
QString stringArgument(ScriptCommand& command, const char* selector, const char* key)
{
    const QVariant value = command.evaluatedArguments().value(QString::fromLatin1(key));
    if (!value.isValid() || isNullObject(value))
        return QString();
    if (!isString(value)) {
        invalidArgument(selector, key, value);
        return QString();
    }
    return value.toString();
}

// A base-URL argument: a string that makes a URL, or a URL; anything else
// is warned about. A null URL when there is none.
URL baseArgument(const ScriptCommand& command, const char* key)
{
    const QVariant value = command.evaluatedArguments().value(QString::fromLatin1(key));
    if (!value.isValid() || isNullObject(value))
        return URL();
    if (isString(value))
        return URL::URLWithString(value.toString());
    if (value.metaType() == QMetaType::fromType<QUrl>())
        return URL::URLWithString(value.toUrl().toString(QUrl::FullyEncoded));
    logWarning(QStringLiteral("Invalid %1 argument: %2").arg(QString::fromLatin1(key), describeFormatArgument(value)));
    return URL();
}

// The path extension of an address as written (before "?" and "#").
QString extensionOfAddress(const QString& address)
{
    QString path = address.section(QLatin1Char('#'), 0, 0).section(QLatin1Char('?'), 0, 0);
    path = path.section(QLatin1Char('/'), -1);
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot <= 0 ? QString::fromLatin1("") : path.mid(dot + 1);
}

QVariant getURLs(const QStringList& addresses, URL base, ScriptCommand& command, const char* selector)
{
    if (addresses.isEmpty())
        return QVariant(addresses);
    const QString type = stringArgument(command, selector, "type");
    if (base.isNull())
        base = baseArgument(command, "baseURL");
    QStringList result;
    for (const QString& address : addresses) {
        if (base.isNull()) {
            if (type.isEmpty() || compareStrings(extensionOfAddress(address), type, 1) == 0)
                result.append(address);
            continue;
        }
        const URL url = URL::URLWithString(address.trimmed(), base);
        if (url.isNull() || !isLoadableURL(url))
            continue;
        if (!type.isEmpty() && compareStrings(url.pathExtension(), type, 1) != 0)
            continue;
        result.append(url.absoluteString());
    }
    return QVariant(result);
}

// A list handler: the addresses `extract` finds, made absolute.
QVariant addressesCommand(ScriptCommand& command, const char* selector, QStringList (*extract)(const QString&))
{
    const QString source = sourceOf(command, selector);
    if (source.isNull())
        return QVariant(QStringList());
    return getURLs(extract(source), htmlBaseURL(source), command, selector);
}

QVariant emptyString()
{
    return QVariant(QString::fromLatin1(""));
}

QVariant emptyList()
{
    return QVariant(QStringList());
}

} // namespace

ScriptCommand::ScriptCommand(QVariant directParameter, QVariantMap evaluatedArguments)
    : m_directParameter(std::move(directParameter)), m_arguments(std::move(evaluatedArguments)),
      m_previous(t_currentCommand)
{
    t_currentCommand = this;
}

ScriptCommand::~ScriptCommand()
{
    if (t_currentCommand == this)
        t_currentCommand = m_previous;
}

ScriptCommand* ScriptCommand::currentCommand()
{
    return t_currentCommand;
}

QVariant getTitleCommand(ScriptCommand& command)
{
    const QString source = sourceOf(command, "getTitleCommand:");
    if (source.isNull())
        return emptyString();
    const QString title = htmlTitle(source);
    return title.isNull() ? QVariant() : QVariant(stringByConvertingEntitiesToCharacters(title));
}

QVariant getFaviconCommand(ScriptCommand& command)
{
    const QString source = sourceOf(command, "getFaviconCommand:");
    if (source.isNull())
        return emptyString();
    const QString icon = htmlFavIcon(source);
    if (icon.isNull())
        return emptyString();
    URL base = baseArgument(command, "baseURL");
    if (base.isNull())
        base = htmlBaseURL(source);
    if (base.isNull())
        return QVariant(icon);
    const URL url = URL::URLWithString(icon.trimmed(), base);
    return QVariant(url.isNull() ? icon : url.absoluteString());
}

QVariant getTextCommand(ScriptCommand& command)
{
    const QString source = sourceOf(command, "getTextCommand:");
    if (source.isNull())
        return emptyString();
    return QVariant(stringByConvertingHTMLToPlainText(source, false, true, true, false));
}

QVariant getRichTextCommand(ScriptCommand& command)
{
    const QString source = sourceOf(command, "getRichTextCommand:");
    if (source.isNull())
        return QVariant();
    URL base = baseArgument(command, "URL");
    if (!base.isNull() && !isWebKitURL(base))
        base = URL();
    return QVariant::fromValue(attributedStringWithHTML(markupData(source), QString(), base, nullptr));
}

QVariant convertFeedCommand(ScriptCommand& command)
{
    const QString source = sourceOf(command, "convertFeedCommand:");
    if (source.isNull())
        return emptyString();
    return QVariant(stringByConvertingFeed(source, baseArgument(command, "baseURL"), true));
}

QVariant getFeedsCommand(ScriptCommand& command)
{
    const QString source = sourceOf(command, "getFeedsCommand:");
    if (source.isNull())
        return QVariant(QVariantList());
    QVariantList items;
    for (QVariantMap item : getItemsOfFeed(source, baseArgument(command, "baseURL"))) {
        item.insert(QStringLiteral("title"),
                    stringByConvertingEntitiesToCharacters(item.value(QStringLiteral("title")).toString()));
        item.insert(QStringLiteral("html"), stringByConvertingItemToDisplayHTML(item));
        items.append(item);
    }
    return QVariant(items);
}

QVariant getImagesCommand(ScriptCommand& command)
{
    return addressesCommand(command, "getImagesCommand:", htmlImages);
}

QVariant getSheetsAndScriptsCommand(ScriptCommand& command)
{
    return addressesCommand(command, "getSheetsAndScriptsCommand:", htmlStylesheetsAndScripts);
}

QVariant getObjectsCommand(ScriptCommand& command)
{
    return addressesCommand(command, "getObjectsCommand:", htmlEmbeddedObjects);
}

QVariant getFramesCommand(ScriptCommand& command)
{
    const QString source = sourceOf(command, "getFramesCommand:", true);
    if (source.isNull())
        return emptyList();
    URL base;
    const QStringList frames = htmlFramesBaseURL(source, &base);
    return getURLs(frames, base, command, "getFramesCommand:");
}

QVariant getLinksCommand(ScriptCommand& command)
{
    const QString source = sourceOf(command, "getLinksCommand:");
    if (source.isNull())
        return emptyList();
    const QString containing = stringArgument(command, "getLinksCommand:", "containing");
    URL base;
    const QStringList links = filteredHtmlLinksContaining(source, containing, false, &base);
    return getURLs(links, base, command, "getLinksCommand:");
}

} // namespace sorvant
