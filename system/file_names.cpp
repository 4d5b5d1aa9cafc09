#include "system/file_names.h"

#include "foundation/chars_table.h"
#include "foundation/ligatures.h"
#include "foundation/lines.h"
#include "foundation/no_case_comparison.h"
#include "foundation/string_units.h"
#include "foundation/user_defaults_getters.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "platform/scan_work.h"
#include "platform/user_defaults.h"

namespace sorvant {

namespace {

constexpr qsizetype kMaxExtensionUnits = 17;

bool isStripped(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char('/') || c == QLatin1Char(':') || c == QLatin1Char('_');
}

QChar strictReplacement(QChar c)
{
    switch (c.unicode()) {
    case u'"':
        return QLatin1Char('\'');
    case u'%': case u'&': case u'*': case u'/': case u':':
    case u'<': case u'>': case u'?': case u'\\': case u'|':
        return QLatin1Char('-');
    default:
        return c;
    }
}

bool strictFilenamesEnabled()
{
    return !boolForKey(UserDefaults::standardUserDefaults(), QStringLiteral("DisableStrictFilenames"));
}

// Removes the last unit, or the whole surrogate pair that ends the string.
void chopLastCharacter(QString& string)
{
    const qsizetype size = string.size();
    const char16_t last = size >= 1 ? string.at(size - 1).unicode() : 0;
    const char16_t before = size >= 2 ? string.at(size - 2).unicode() : 0;
    const bool pair = last >= 0xDC00 && last <= 0xDFFF && before >= 0xD800 && before <= 0xDBFF;
    string.chop(pair ? 2 : 1);
}

// Shortens until the representation has at most `maxBytes` bytes.
void shortenToBytes(QString& string, qsizetype maxBytes)
{
    if (string.size() > kFilenameMaxUnits)
        string.truncate(kFilenameMaxUnits);
    while (!string.isEmpty()) {
        const qsizetype bytes = fileSystemRepresentationLength(string);
        if (bytes >= 0 && bytes <= maxBytes)
            break;
        chopLastCharacter(string);
    }
}

QString trimmedTrailingSlashes(const QString& folder)
{
    qsizetype end = folder.size();
    while (end > 0 && folder.at(end - 1) == QLatin1Char('/'))
        --end;
    return folder.left(end);
}

} // namespace

void createFilename(QString& string, bool strict)
{
    fixAndNormalizeString(string, false);
    qsizetype start = 0;
    while (start < string.size() && isStripped(string.at(start)))
        ++start;
    qsizetype end = string.size();
    while (end > start && isStripped(string.at(end - 1)))
        --end;
    string = string.mid(start, std::min(end - start, kFilenameMaxUnits));
    if (string.isEmpty())
        return;
    const bool strictMode = strict && strictFilenamesEnabled();
    for (qsizetype i = 0; i < string.size(); ++i) {
        const QChar c = string.at(i);
        if (strictMode)
            string[i] = strictReplacement(c);
        else if (c == QLatin1Char(':') || c == QLatin1Char('/'))
            string[i] = QLatin1Char('-');
    }
}

void createFilename(QString& string)
{
    createFilename(string, true);
}

void createFileSystemRepresentation(QString& string)
{
    shortenToBytes(string, kFilenameMaxBytes);
}

void createFileSystemRepresentationAndAppendExtension(QString& string, const QString& extension)
{
    if (extension.size() < 1 || extension.size() > kMaxExtensionUnits) {
        createFileSystemRepresentation(string);
        return;
    }
    // Room for "." and the extension's own bytes (more than its units when
    // it is not ASCII).
    const QString suffix = QLatin1Char('.') + extension;
    shortenToBytes(string, kFilenameMaxBytes - fileSystemRepresentationLength(suffix));
    if (!string.endsWith(suffix))
        string.append(suffix);
}

QString stringByCreatingFilename(const QString& string, bool strict)
{
    if (string.isEmpty())
        return string;
    QString copy = string;
    createFilename(copy, strict);
    return copy;
}

QString stringByCreatingFilename(const QString& string)
{
    return stringByCreatingFilename(string, true);
}

QString stringByCreatingFileSystemRepresentation(const QString& string)
{
    if (string.isEmpty())
        return string;
    QString copy = string;
    createFileSystemRepresentation(copy);
    return copy;
}

QString stringByCreatingFileSystemRepresentationByAppendingExtension(const QString& string, const QString& extension)
{
    if (string.isNull())
        return string;
    QString copy = string;
    createFileSystemRepresentationAndAppendExtension(copy, extension);
    return copy;
}

bool containsInvalidFilenameCharacters(const QString& string)
{
    for (const QChar c : string) {
        if (c.unicode() == 0 || (c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF))
            return true;
    }
    return false;
}

bool isPath(const QString& string)
{
    return isAbsolutePath(string);
}

bool isValidPathExtension(const QString& string)
{
    return string.size() >= 1 && string.size() <= kMaxExtensionUnits && isAlphaNumString(string);
}

QString validPathExtension(const QString& string)
{
    QString extension = pathExtension(string);
    for (qsizetype i = 0; i < extension.size(); ++i) {
        if (QStringView(u"?&;=#").contains(extension.at(i))) {
            extension.truncate(i);
            break;
        }
    }
    return isValidPathExtension(extension) ? extension : emptyString();
}

QString lowercasePathExtension(const QString& string)
{
    if (string.size() < 2)
        return {};
    for (qsizetype i = string.size() - 1; i >= 0; --i) {
        const QChar c = string.at(i);
        if (c == QLatin1Char('/'))
            return {};
        if (c != QLatin1Char('.'))
            continue;
        QString extension = string.mid(i + 1);
        const CharsTable* lower = lowerCharsTable();
        for (QChar& unit : extension)
            unit = QChar(lower[unit.unicode()]);
        return extension.isNull() ? emptyString() : extension;
    }
    return {};
}

QString stringByAppendingPathExtensionIfNecessary(const QString& string, const QString& extension)
{
    if (extension.isNull())
        return string;
    const QString own = pathExtension(string);
    if ((own.isEmpty() && extension.isEmpty()) || isEqualToStringNoCase(own, extension))
        return string;
    return stringByAppendingPathExtension(string, extension);
}

QString stringByReplacingPathExtensionWith(const QString& string, const QString& extension)
{
    if (extension.isNull() || pathExtension(string) == extension)
        return string;
    return stringByAppendingPathExtension(stringByDeletingPathExtension(string), extension);
}

QString stringByDeletingFileComponent(const QString& string)
{
    if (string.isEmpty() || string == QLatin1String("/"))
        return string.isNull() ? string : emptyString();
    if (string.endsWith(QLatin1Char('/')))
        return string.chopped(1);
    return stringByDeletingLastPathComponent(string);
}

QStringList StandardizedPathComponents(const QString& path)
{
    // A stack of the kept components: ".." takes back the last one, so each
    // component is looked at once (removing from the middle of the list
    // would move all that follow).
    const QStringList components = pathComponents(path);
    QStringList kept;
    kept.reserve(components.size());
    for (const QString& component : components) {
        countScanWork(1);
        if (component.isEmpty() || component == QLatin1String(".")
            || (component == QLatin1String("/") && !kept.isEmpty()))
            continue;
        if (component == QLatin1String("..")) {
            // The root stays: "/.." is "/".
            if (!kept.isEmpty() && kept.last() != QLatin1String("/"))
                kept.removeLast();
            continue;
        }
        kept.append(component);
    }
    return kept;
}

QStringList standardizedPathComponents(const QString& path)
{
    return StandardizedPathComponents(path);
}

QString standardizedPath(const QString& path)
{
    QStringList components = StandardizedPathComponents(path);
    if (!components.isEmpty() && components.first() == QLatin1String("/"))
        components.first() = emptyString();
    const QString joined = components.join(QLatin1Char('/'));
    return joined.isNull() ? emptyString() : joined;
}

bool pathIsInDirectory(const QString& path, const QString& folder)
{
    const QString base = trimmedTrailingSlashes(folder);
    if (base.isEmpty() || path.size() < base.size() || !path.startsWith(base))
        return false;
    return path.size() == base.size() || path.at(base.size()) == QLatin1Char('/');
}

bool pathIsInDirectories(const QString& path, const QStringList& folders)
{
    for (const QString& folder : folders) {
        if (pathIsInDirectory(path, folder))
            return true;
    }
    return false;
}

QString relativePathToDirectory(const QString& path, const QString& folder)
{
    const QStringList p = pathComponents(stringByStandardizingPath(path));
    const QStringList d = pathComponents(stringByStandardizingPath(folder));
    qsizetype k = 0;
    if (!p.isEmpty() && !d.isEmpty() && p.first() == d.first()) {
        const qsizetype limit = std::min(p.size(), d.size());
        while (k < limit && p.at(k) == d.at(k))
            ++k;
    }
    QString result = k == d.size() ? QStringLiteral("./") : QStringLiteral("../").repeated(d.size() - k);
    for (qsizetype i = k; i < p.size(); ++i) {
        if (i > k)
            result += QLatin1Char('/');
        result += p.at(i);
    }
    return result;
}

} // namespace sorvant
