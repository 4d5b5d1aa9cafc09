#include "web/url/string_urls.h"

#include "foundation/string_membership.h"
#include "foundation/trimming.h"
#include "platform/path_semantics.h"
#include "platform/url.h"

namespace sorvant {

namespace {

bool isHashBang(const QString& text, qsizetype hash)
{
    return hash + 2 < text.size() && text.at(hash + 1) == QLatin1Char('!');
}

// Index of the first of ":", "/", ";" and "?"; -1 when there is none.
qsizetype firstSchemeDelimiter(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (unit == ':' || unit == '/' || unit == ';' || unit == '?')
            return i;
    }
    return -1;
}

} // namespace

QString stringURLWithoutAnchor(const QString& text)
{
    const qsizetype hash = text.indexOf(QLatin1Char('#'));
    if (hash < 0 || isHashBang(text, hash))
        return text;
    return text.left(hash);
}

QString standardizedStringURL(const QString& text)
{
    if (text.isEmpty())
        return text;
    QString out;
    out.reserve(text.size());
    bool reachedQuery = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('?') || c == QLatin1Char(';')) {
            out += QStringView(text).mid(i);
            reachedQuery = true;
            break;
        }
        // A "/" after a "/" goes, unless that one follows the scheme's ":".
        if (c == QLatin1Char('/') && out.endsWith(QLatin1Char('/')) &&
            !(out.size() >= 2 && out.at(out.size() - 2) == QLatin1Char(':')))
            continue;
        out += c;
    }
    if (!reachedQuery) {
        for (;;) {
            if (out.endsWith(QLatin1String("/.")))
                out.chop(2);
            else if (out.endsWith(QLatin1String("/..")))
                out.chop(3);
            else if (out == QLatin1String(".") || out == QLatin1String(".."))
                out.clear();
            else
                break;
        }
    }
    return out.isEmpty() ? QString(QLatin1String("")) : out;
}

QString validFeedStringURL(const QString& text)
{
    if (!text.startsWith(QLatin1String("feed:"), Qt::CaseInsensitive))
        return text;
    if (text.startsWith(QLatin1String("feed:http:"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("feed:https:"), Qt::CaseInsensitive))
        return text.mid(5);
    if (text.size() < 6 || text.at(5) == QLatin1Char('/'))
        return text;
    return QStringLiteral("http://") + text.mid(5);
}

QString stringByAbbreviatingFileURL(const QString& text)
{
    if (text.startsWith(QLatin1String("file://localhost/")))
        return text.mid(16);
    if (text.startsWith(QLatin1String("file:///")))
        return text.mid(7);
    return text;
}

QString stringURLScheme(const QString& text)
{
    const qsizetype delimiter = firstSchemeDelimiter(text);
    if (delimiter < 0 || text.at(delimiter) != QLatin1Char(':'))
        return QString();
    return text.left(delimiter);
}

QString stringURLWithoutScheme(const QString& text)
{
    const qsizetype delimiter = firstSchemeDelimiter(text);
    if (delimiter < 0 || text.at(delimiter) != QLatin1Char(':'))
        return text;
    qsizetype start = delimiter + 1;
    while (start < text.size() && text.at(start) == QLatin1Char('/'))
        ++start;
    return start >= text.size() ? QString(QLatin1String("")) : text.mid(start);
}

QString stringURLWithoutCredentials(const QString& text)
{
    if (text.isEmpty() || isAbsolutePath(text))
        return text;
    const URL url = URL::URLWithString(text);
    if (url.isNull() || (url.user().isNull() && url.password().isNull()))
        return text;
    // The user information ends at the last "@" of the authority.
    const QString absolute = url.absoluteString();
    const qsizetype authority = absolute.indexOf(QLatin1String("//"));
    if (authority < 0)
        return text;
    qsizetype end = authority + 2;
    while (end < absolute.size() && !QStringView(u"/?#").contains(absolute.at(end)))
        ++end;
    const qsizetype at = QStringView(absolute).mid(0, end).lastIndexOf(QLatin1Char('@'));
    if (at < authority)
        return text;
    return absolute.left(authority + 2) + absolute.mid(at + 1);
}

QString displayStringURL(const QString& text)
{
    QString display = stringByTrimmingSuffixCharacter(stringURLWithoutScheme(stringURLWithoutCredentials(text)), '/');
    if (display.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        display.remove(0, 4);
    return display;
}

QString stringURLPathExtension(const QString& text)
{
    if (text.size() < 2)
        return QString();
    QString path = text;
    const QChar first = text.at(0);
    const qsizetype scheme = text.indexOf(QLatin1String("://"));
    if (first != QLatin1Char('.') && first != QLatin1Char('/') && scheme >= 0) {
        qsizetype start = scheme + 3;
        while (start < text.size() && text.at(start) != QLatin1Char('/') && text.at(start) != QLatin1Char('?'))
            ++start;
        if (start >= text.size())
            return QString();
        path = text.mid(start);
    }
    QString extension = pathExtension(path);
    for (qsizetype i = 0; i < extension.size(); ++i) {
        if (QStringView(u"?&;=#").contains(extension.at(i))) {
            extension.truncate(i);
            break;
        }
    }
    return extension.isEmpty() ? QString() : extension;
}

bool stringURLMatchingExtensions(const QString& text, const QStringList& extensions)
{
    const QString extension = stringURLPathExtension(text);
    return !extension.isNull() && containsStringNoCase(extensions, extension);
}

bool isEqualToStringURL(const QString& text, const QString& other)
{
    const auto key = [](const QString& link) {
        return stringByTrimmingSuffixCharacter(standardizedStringURL(stringURLWithoutAnchor(link)), '/');
    };
    const QString a = key(text);
    const QString b = key(other);
    return !a.isNull() && !b.isNull() && a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

QString WebKitStringURL(const QString& text)
{
    if (!text.startsWith(QLatin1String("feed:"), Qt::CaseInsensitive))
        return text;
    if (text.startsWith(QLatin1String("feed:http:"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("feed:https:"), Qt::CaseInsensitive))
        return text.mid(5);
    return QStringLiteral("http:") + text.mid(5);
}

} // namespace sorvant
