#include "system/desktop_entry.h"

#include "platform/atomic_file.h"
#include "platform/url.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace sorvant {

namespace {

// The group, key and value of the lines of a desktop file; comments and
// other groups are skipped.
QHash<QString, QString> desktopEntryGroup(const QByteArray& data, bool* found)
{
    QHash<QString, QString> values;
    *found = false;
    bool inGroup = false;
    for (const QByteArray& rawLine : data.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            // A second "[Desktop Entry]" group is malformed; the first wins.
            if (inGroup)
                break;
            inGroup = line == QLatin1String("[Desktop Entry]");
            *found = *found || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        // The first occurrence of a key counts; later duplicates are errors.
        if (!values.contains(key))
            values.insert(key, line.mid(equals + 1).trimmed());
    }
    return values;
}

QString localizedValue(const QHash<QString, QString>& values, const QString& key,
                       const QStringList& suffixes)
{
    for (const QString& suffix : suffixes) {
        const QString localized = values.value(key + u'[' + suffix + u']');
        if (!localized.isNull())
            return decodeDesktopValue(localized);
    }
    return decodeDesktopValue(values.value(key));
}

QString localPath(const QString& item)
{
    if (item.startsWith(u'/'))
        return item;
    const URL url = URL::URLWithString(item);
    return url.isFileURL() ? url.path() : QString();
}

QString urlString(const QString& item)
{
    if (item.startsWith(u'/'))
        return URL::fileURLWithPath(item).absoluteString();
    return item;
}

} // namespace

QString decodeDesktopValue(const QString& raw)
{
    if (!raw.contains(u'\\'))
        return raw;
    QString result;
    result.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != u'\\' || i + 1 == raw.size()) {
            result.append(c);
            continue;
        }
        const QChar next = raw.at(++i);
        switch (next.unicode()) {
        case 's': result.append(u' '); break;
        case 'n': result.append(u'\n'); break;
        case 't': result.append(u'\t'); break;
        case 'r': result.append(u'\r'); break;
        case '\\': result.append(u'\\'); break;
        default:
            // "\;" belongs to list values; keep it for listValue().
            result.append(c);
            result.append(next);
        }
    }
    return result;
}

QStringList localeKeySuffixes(const QString& locale)
{
    if (locale.isEmpty() || locale == QLatin1String("C") || locale == QLatin1String("POSIX"))
        return {};
    QString rest = locale;
    QString modifier;
    if (const qsizetype at = rest.indexOf(u'@'); at >= 0) {
        modifier = rest.mid(at + 1);
        rest.truncate(at);
    }
    if (const qsizetype dot = rest.indexOf(u'.'); dot >= 0)
        rest.truncate(dot);
    QString lang = rest;
    QString country;
    if (const qsizetype underscore = rest.indexOf(u'_'); underscore >= 0) {
        lang = rest.left(underscore);
        country = rest.mid(underscore + 1);
    }
    QStringList suffixes;
    if (!country.isEmpty() && !modifier.isEmpty())
        suffixes << lang + u'_' + country + u'@' + modifier;
    if (!country.isEmpty())
        suffixes << lang + u'_' + country;
    if (!modifier.isEmpty())
        suffixes << lang + u'@' + modifier;
    if (!lang.isEmpty())
        suffixes << lang;
    return suffixes;
}

QString messagesLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

QStringList splitExecLine(const QString& exec)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size()
                       && QStringView(u"\"`$\\").contains(exec.at(i + 1))) {
                current.append(exec.at(++i));
            } else {
                current.append(c);
            }
        } else if (c == u' ' || c == u'\t') {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
        } else if (c == u'"') {
            quoted = true;
            inArgument = true;
        } else {
            current.append(c);
            inArgument = true;
        }
    }
    if (quoted)
        return {};
    if (inArgument)
        arguments.append(current);
    return arguments;
}

DesktopEntry DesktopEntry::fromData(const QByteArray& data, const QString& path, const QString& id,
                                    const QString& locale)
{
    bool found = false;
    QHash<QString, QString> values = desktopEntryGroup(data, &found);
    if (!found)
        return {};
    const QStringList suffixes = localeKeySuffixes(locale.isNull() ? messagesLocale() : locale);
    DesktopEntry entry;
    entry.m_path = path.isNull() ? QStringLiteral("") : path;
    entry.m_id = id;
    entry.m_name = localizedValue(values, QStringLiteral("Name"), suffixes);
    entry.m_genericName = localizedValue(values, QStringLiteral("GenericName"), suffixes);
    entry.m_values = std::move(values);
    return entry;
}

DesktopEntry DesktopEntry::fromFile(const QString& path, const QString& id, const QString& locale)
{
    // Desktop files are small regular files; anything huge is not one, and
    // a pipe or a device (a path can come from another process) is never read.
    constexpr qint64 kMaximumSize = 1 << 20;
    QByteArray data;
    if (readRegularFile(path, kMaximumSize, &data) != FileReadStatus::Read)
        return {};
    return fromData(data, path, id, locale);
}

QString DesktopEntry::applicationID() const
{
    QString id = m_id;
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    return id;
}

bool DesktopEntry::isApplication() const
{
    return type() == QLatin1String("Application") && (!exec().isEmpty() || dbusActivatable());
}

bool DesktopEntry::isInstalled() const
{
    const QString program = tryExec();
    if (program.isEmpty())
        return true;
    if (program.startsWith(u'/')) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

QStringList DesktopEntry::listValue(const QString& key) const
{
    const QString raw = m_values.value(key);
    QStringList items;
    QString current;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) == u'\\' && i + 1 < raw.size() && raw.at(i + 1) == u';') {
            current.append(u';');
            ++i;
        } else if (raw.at(i) == u';') {
            if (!current.isEmpty())
                items.append(current);
            current.clear();
        } else {
            current.append(raw.at(i));
        }
    }
    if (!current.isEmpty())
        items.append(current);
    return items;
}

bool DesktopEntry::boolValue(const QString& key) const
{
    const QString raw = m_values.value(key);
    return raw == QLatin1String("true") || raw == QLatin1String("1");
}

// The Exec= value is a string value first ("\\\\" is one backslash), then
// a command line with its own quoting.
QStringList DesktopEntry::execArguments() const
{
    return splitExecLine(decodeDesktopValue(exec()));
}

QString DesktopEntry::program() const
{
    const QStringList arguments = execArguments();
    return arguments.isEmpty() ? QString() : arguments.first();
}

QList<QStringList> DesktopEntry::commandsForItems(const QStringList& items) const
{
    const QStringList arguments = execArguments();
    if (arguments.isEmpty())
        return {};
    // Which code takes the items decides how many commands are made.
    bool single = false;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("%f") || argument == QLatin1String("%u"))
            single = true;
    }
    const QList<QStringList> groups = single
        ? [&] { QList<QStringList> g; for (const QString& item : items) g.append({item}); return g; }()
        : QList<QStringList>{items};
    QList<QStringList> commands;
    for (const QStringList& group : groups.isEmpty() ? QList<QStringList>{{}} : groups) {
        QStringList command;
        for (const QString& argument : arguments) {
            if (argument == QLatin1String("%f") || argument == QLatin1String("%F")) {
                for (const QString& item : group) {
                    if (const QString local = localPath(item); !local.isEmpty())
                        command.append(local);
                }
            } else if (argument == QLatin1String("%u") || argument == QLatin1String("%U")) {
                for (const QString& item : group)
                    command.append(urlString(item));
            } else if (argument == QLatin1String("%i")) {
                if (!icon().isEmpty())
                    command << QStringLiteral("--icon") << icon();
            } else {
                // Codes inside a longer argument: %c %k %% expand, others vanish.
                QString expanded;
                for (qsizetype i = 0; i < argument.size(); ++i) {
                    if (argument.at(i) != u'%' || i + 1 == argument.size()) {
                        expanded.append(argument.at(i));
                        continue;
                    }
                    const QChar code = argument.at(++i);
                    if (code == u'%')
                        expanded.append(u'%');
                    else if (code == u'c')
                        expanded.append(m_name);
                    else if (code == u'k')
                        expanded.append(m_path);
                }
                if (!expanded.isEmpty() || argument.isEmpty())
                    command.append(expanded);
            }
        }
        if (!command.isEmpty())
            commands.append(command);
    }
    return commands;
}

} // namespace sorvant
