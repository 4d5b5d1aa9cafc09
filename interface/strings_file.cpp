#include "interface/strings_file.h"

#include "platform/atomic_file.h"
#include "platform/log.h"
#include "platform/property_list.h"
#include "system/bundle.h"
#include "system/image_file_types.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QStringDecoder>

#include <mutex>

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace sorvant {

namespace {

// Strings files are small; anything larger is not one.
constexpr qint64 kMaximumStringsFileSize = 16 * 1024 * 1024;

QString decodeStringsData(const QByteArray& data)
{
    if (data.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Default).decode(data.mid(2));
    if (data.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Default).decode(data.mid(2));
    if (data.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(data.mid(3));
    return QString::fromUtf8(data);
}

bool isUnquotedKeyUnit(QChar c)
{
    // The units a key may have without quotes, as property-list text allows.
    return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'$' || c == u':' || c == u'/'
        || c == u'-';
}

class StringsParser
{
public:
    explicit StringsParser(const QString& text) : m_text(text) {}

    std::optional<StringsTable> parse(QString* error)
    {
        StringsTable table;
        while (skipSpaceAndComments()) {
            QString key;
            if (!readString(&key))
                return fail(error, QStringLiteral("a key"));
            QString value = key;
            if (!skipSpaceAndComments())
                return fail(error, QStringLiteral("\";\""));
            if (peek() == u'=') {
                ++m_pos;
                if (!skipSpaceAndComments() || !readString(&value))
                    return fail(error, QStringLiteral("a value"));
                if (!skipSpaceAndComments())
                    return fail(error, QStringLiteral("\";\""));
            }
            if (peek() != u';')
                return fail(error, QStringLiteral("\";\""));
            ++m_pos;
            table.insert(key, value);
        }
        if (m_broken)
            return fail(error, QStringLiteral("the end of a comment"));
        return table;
    }

private:
    QChar peek() const { return m_pos < m_text.size() ? m_text.at(m_pos) : QChar(); }

    // Answers whether text remains after white space and comments.
    bool skipSpaceAndComments()
    {
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos);
            if (c.isSpace() || c == QChar(0xFEFF)) {
                ++m_pos;
            } else if (m_text.mid(m_pos, 2) == QLatin1String("/*")) {
                const qsizetype end = m_text.indexOf(QLatin1String("*/"), m_pos + 2);
                if (end < 0) {
                    m_broken = true;
                    m_pos = m_text.size();
                    return false;
                }
                m_pos = end + 2;
            } else if (m_text.mid(m_pos, 2) == QLatin1String("//")) {
                const qsizetype end = m_text.indexOf(u'\n', m_pos);
                m_pos = end < 0 ? m_text.size() : end + 1;
            } else {
                return true;
            }
        }
        return false;
    }

    bool readString(QString* out)
    {
        if (peek() == u'"')
            return readQuoted(out);
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && isUnquotedKeyUnit(m_text.at(m_pos)))
            ++m_pos;
        if (m_pos == start)
            return false;
        *out = m_text.mid(start, m_pos - start);
        return true;
    }

    bool readQuoted(QString* out)
    {
        QString result = QStringLiteral("");
        ++m_pos; // opening quote
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos++);
            if (c == u'"') {
                *out = result;
                return true;
            }
            if (c != u'\\') {
                result += c;
                continue;
            }
            if (m_pos >= m_text.size())
                return false;
            const QChar e = m_text.at(m_pos++);
            switch (e.unicode()) {
            case 'n': result += u'\n'; break;
            case 'r': result += u'\r'; break;
            case 't': result += u'\t'; break;
            case 'a': result += u'\a'; break;
            case 'b': result += u'\b'; break;
            case 'f': result += u'\f'; break;
            case 'v': result += u'\v'; break;
            case 'U':
            case 'u': {
                const QString hex = m_text.mid(m_pos, 4);
                bool ok = false;
                const uint unit = hex.toUInt(&ok, 16);
                if (hex.size() != 4 || !ok)
                    return false;
                result += QChar(static_cast<char16_t>(unit));
                m_pos += 4;
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    uint code = e.unicode() - '0';
                    for (int i = 0; i < 2 && m_pos < m_text.size() && m_text.at(m_pos) >= u'0'
                         && m_text.at(m_pos) <= u'7'; ++i)
                        code = code * 8 + (m_text.at(m_pos++).unicode() - '0');
                    result += QChar(static_cast<char16_t>(code));
                } else {
                    result += e; // \" \\ and any other unit stand for themselves
                }
            }
        }
        return false;
    }

    std::optional<StringsTable> fail(QString* error, const QString& expected) const
    {
        if (error) {
            const qsizetype line = m_text.left(m_pos).count(u'\n') + 1;
            *error = QStringLiteral("strings data: expected %1 on line %2").arg(expected).arg(line);
        }
        return std::nullopt;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
    bool m_broken = false;
};

std::optional<StringsTable> tableFromPropertyList(const QByteArray& data, QString* error)
{
    const QVariant value = propertyListFromData(data, error);
    if (value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    StringsTable table;
    const QVariantMap map = value.toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.value().typeId() == QMetaType::QString)
            table.insert(it.key(), it.value().toString());
    }
    return table;
}

void escapeInto(QString* line, const QString& text)
{
    // The backslash first: the escapes added after it are not doubled.
    QString escaped = text;
    escaped.replace(u'\\', QLatin1String("\\\\"));
    escaped.replace(u'"', QLatin1String("\\\""));
    escaped.replace(u'\n', QLatin1String("\\n"));
    escaped.replace(u'\r', QLatin1String("\\r"));
    escaped.replace(u'\t', QLatin1String("\\t"));
    *line += escaped;
}

struct LanguageState
{
    std::mutex mutex;
    QStringList languages;
    // "<folder>\n<table>" => the table read (empty when missing).
    QHash<QString, StringsTable> tables;
    bool installed = false;
};

LanguageState& languageState()
{
    static LanguageState state;
    return state;
}

} // namespace

std::optional<StringsTable> stringsTableFromData(const QByteArray& data, QString* error)
{
    if (error)
        error->clear();
    if (data.startsWith("<?xml") || data.startsWith("bplist"))
        return tableFromPropertyList(data, error);
    const QString text = decodeStringsData(data);
    return StringsParser(text).parse(error);
}

std::optional<StringsTable> readStringsFile(const QString& path, QString* error)
{
    QByteArray data;
    if (readRegularFile(path, kMaximumStringsFileSize, &data, error) != FileReadStatus::Read)
        return std::nullopt;
    std::optional<StringsTable> table = stringsTableFromData(data, error);
    if (!table && error)
        *error = path + QLatin1String(": ") + *error;
    return table;
}

QByteArray stringsRepresentation(const StringsTable& table)
{
    QString text;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        text += u'"';
        escapeInto(&text, it.key());
        text += QLatin1String("\" = \"");
        escapeInto(&text, it.value());
        text += QLatin1String("\";\n");
    }
    return text.toUtf8();
}

bool writeStringsToFile(const StringsTable& table, const QString& path, bool atomically)
{
    const QByteArray data = stringsRepresentation(table);
    return atomically ? writeFileAtomically(path, data) : writeFileInPlace(path, data);
}

QStringList bundleLocalizations(const Bundle& bundle)
{
    if (bundle.resourcePath().isEmpty())
        return {};
    QStringList names;
    const QStringList folders = QDir(bundle.resourcePath())
                                    .entryList({QStringLiteral("*.lproj")}, QDir::Dirs, QDir::Name);
    for (const QString& folder : folders)
        names.append(folder.chopped(6));
    return names;
}

QStringList preferredLanguages()
{
    LanguageState& s = languageState();
    {
        std::lock_guard lock(s.mutex);
        if (!s.languages.isEmpty())
            return s.languages;
    }
    return QLocale().uiLanguages();
}

void setPreferredLanguages(const QStringList& languages)
{
    bool installed = false;
    {
        LanguageState& s = languageState();
        std::lock_guard lock(s.mutex);
        s.languages = languages;
        s.tables.clear();
        installed = s.installed;
    }
    // The bundle caches translations; a fresh install drops them.
    if (installed)
        installStringsTables();
}

QString stringsTableLookup(const Bundle& bundle, const QString& table, const QString& key)
{
    if (key.isEmpty())
        return {};
    const QString folder = localizationFolder(bundle);
    if (folder.isEmpty())
        return {};
    const QString name = table.isEmpty() ? QStringLiteral("Localizable") : table;
    const QString cacheKey = folder + u'\n' + name;
    LanguageState& s = languageState();
    {
        std::lock_guard lock(s.mutex);
        const auto it = s.tables.constFind(cacheKey);
        if (it != s.tables.cend())
            return it->value(key);
    }
    QString error;
    const QString path = folder + u'/' + name + QLatin1String(".strings");
    std::optional<StringsTable> read = readStringsFile(path, &error);
    if (!read && QFileInfo::exists(path))
        logWarning(error);
    const StringsTable loaded = read.value_or(StringsTable());
    std::lock_guard lock(s.mutex);
    s.tables.insert(cacheKey, loaded);
    return loaded.value(key);
}

void clearStringsTableCache()
{
    LanguageState& s = languageState();
    std::lock_guard lock(s.mutex);
    s.tables.clear();
}

void installStringsTables()
{
    {
        LanguageState& s = languageState();
        std::lock_guard lock(s.mutex);
        s.installed = true;
    }
    setStringTranslator([](const QString& key, const QString& table) {
        return stringsTableLookup(Bundle::mainBundle(), table, key);
    });
}

QString localizationFolder(const Bundle& bundle)
{
    // English is the development language: a bundle without an English
    // folder still offers it, as the keys themselves.
    QStringList localizations = bundleLocalizations(bundle);
    const bool hasEnglish = localizations.contains(QLatin1String("en"));
    if (!hasEnglish)
        localizations.append(QStringLiteral("en"));
    const QString name = preferredLocalization(localizations, preferredLanguages());
    if (name.isEmpty() || (name == QLatin1String("en") && !hasEnglish))
        return {};
    return bundle.resourcePath() + u'/' + name + QLatin1String(".lproj");
}

std::optional<StringsTable> stringsFileNamed(const Bundle& bundle, const QString& name)
{
    const QString folder = localizationFolder(bundle);
    if (folder.isEmpty())
        return std::nullopt;
    const QString table = name.isEmpty() ? QStringLiteral("Localizable") : name;
    const QString path = folder + u'/' + table + QLatin1String(".strings");
    QString error;
    std::optional<StringsTable> result = readStringsFile(path, &error);
    if (!result && QFileInfo::exists(path))
        logWarning(error);
    return result;
}

std::optional<StringsTable> stringsFilesNamed(const Bundle& bundle, const QStringList& names)
{
    if (names.isEmpty() || names.front().isNull())
        return std::nullopt;
    std::optional<StringsTable> result;
    for (const QString& name : names) {
        if (name.isNull())
            break;
        std::optional<StringsTable> table = stringsFileNamed(bundle, name);
        if (!table)
            continue;
        if (!result) {
            result = std::move(table);
            continue;
        }
        for (auto it = table->cbegin(); it != table->cend(); ++it) {
            const auto held = result->constFind(it.key());
            if (held == result->cend())
                result->insert(it.key(), it.value());
            else if (held.value() != it.value())
                logMessage(QStringLiteral("Different values for key %1: %2!=%3")
                               .arg(it.key(), held.value(), it.value()));
        }
    }
    return result;
}

StringsTable localizedISOCountryCodes()
{
    StringsTable table;
    const icu::Locale& english = icu::Locale::getEnglish();
    for (const char* const* code = icu::Locale::getISOCountries(); *code; ++code) {
        icu::UnicodeString name;
        icu::Locale("", *code).getDisplayCountry(english, name);
        if (name.isBogus() || name.isEmpty() || name == icu::UnicodeString(*code))
            continue;
        table.insert(QString::fromLatin1(*code),
                     QString(reinterpret_cast<const QChar*>(name.getBuffer()), name.length()));
    }
    return table;
}

StringsTable localizedISOLanguageCodes()
{
    StringsTable table;
    const icu::Locale& english = icu::Locale::getEnglish();
    for (const char* const* code = icu::Locale::getISOLanguages(); *code; ++code) {
        icu::UnicodeString name;
        icu::Locale(*code).getDisplayLanguage(english, name);
        if (name.isBogus() || name.isEmpty() || name == icu::UnicodeString(*code))
            continue;
        table.insert(QString::fromLatin1(*code),
                     QString(reinterpret_cast<const QChar*>(name.getBuffer()), name.length()));
    }
    return table;
}

} // namespace sorvant
