#include "web/toolkit/html_services.h"

#include "foundation/normalized_forms.h"
#include "platform/string_compare.h"
#include "web/toolkit/html_document.h"

#include <QSet>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace sorvant {

namespace {

struct NamedReference
{
    const char* name;
    const char16_t* value;
    bool legacy;   // also counts without the final ";"
};

constexpr NamedReference kNamedReferences[] = {
#include "web/toolkit/html_entities.inc"
};

constexpr qsizetype kLongestName = 32;

const NamedReference* findReference(const QByteArray& name)
{
    const auto* end = std::end(kNamedReferences);
    const auto* it = std::lower_bound(std::begin(kNamedReferences), end, name, [](const NamedReference& r, const QByteArray& n) {
        return std::strcmp(r.name, n.constData()) < 0;
    });
    return it != end && name == it->name ? it : nullptr;
}

bool isAsciiAlphaNum(unichar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The characters 0x80..0x9F stand for in windows-1252, as HTML reads them.
char16_t numericReplacement(char32_t value)
{
    static constexpr char16_t kWindows1252[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return value >= 0x80 && value <= 0x9F ? kWindows1252[value - 0x80] : 0;
}

// Decodes the reference at `at` ("&..."); answers its length, 0 when there
// is none, and appends what it stands for.
qsizetype decodeReference(QStringView text, qsizetype at, QString& out)
{
    const qsizetype size = text.size();
    qsizetype i = at + 1;
    if (i < size && text[i] == QLatin1Char('#')) {
        ++i;
        const bool hex = i < size && (text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'));
        if (hex)
            ++i;
        const qsizetype digitsStart = i;
        char32_t value = 0;
        for (; i < size; ++i) {
            const unichar c = text[i].unicode();
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0)
                break;
            value = std::min<char32_t>(value * (hex ? 16 : 10) + char32_t(digit), 0x110000);
        }
        if (i == digitsStart)
            return 0;
        if (i < size && text[i] == QLatin1Char(';'))
            ++i;
        if (const char16_t replaced = numericReplacement(value))
            out += QChar(replaced);
        else if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            out += QChar(0xFFFD);
        else
            out += QString::fromUcs4(&value, 1);
        return i - at;
    }
    qsizetype end = i;
    while (end < size && end - i < kLongestName && isAsciiAlphaNum(text[end].unicode()))
        ++end;
    if (end == i)
        return 0;
    const QByteArray name = text.mid(i, end - i).toLatin1();
    if (end < size && text[end] == QLatin1Char(';')) {
        if (const NamedReference* reference = findReference(name)) {
            out += QString::fromUtf16(reference->value);
            return end + 1 - at;
        }
    }
    // The longest legacy name that starts the run ("&copy2024" => "©2024").
    for (qsizetype length = name.size(); length >= 2; --length) {
        const NamedReference* reference = findReference(name.left(length));
        if (reference != nullptr && reference->legacy) {
            out += QString::fromUtf16(reference->value);
            return 1 + length;
        }
    }
    return 0;
}

void appendUnique(QStringList& list, QSet<QString>& seen, const QString& value)
{
    if (!value.isEmpty() && !seen.contains(value)) {
        seen.insert(value);
        list.append(value);
    }
}

// The addresses in `attribute` of the elements `tags`.
QStringList addresses(const HTMLDocument& document, const std::function<QString(const HTMLElement&)>& addressOf)
{
    QStringList list;
    QSet<QString> seen;
    document.forEachElement([&](const HTMLElement& element) { appendUnique(list, seen, addressOf(element)); });
    return list;
}

bool relHolds(const HTMLElement& element, const char* token)
{
    const QStringList tokens = element.attribute("rel").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return std::any_of(tokens.begin(), tokens.end(),
                       [&](const QString& t) { return compareStrings(t, QString::fromLatin1(token), 1) == 0; });
}

} // namespace

QString stringByConvertingEntitiesToCharacters(const QString& string)
{
    if (!string.contains(QLatin1Char('&')))
        return string;
    QString out;
    out.reserve(string.size());
    qsizetype copied = 0;
    for (qsizetype i = 0; i < string.size(); ++i) {
        if (string.at(i) != QLatin1Char('&'))
            continue;
        QString decoded;
        const qsizetype length = decodeReference(string, i, decoded);
        if (length == 0)
            continue;
        out += QStringView(string).mid(copied, i - copied);
        out += decoded;
        i += length - 1;
        copied = i + 1;
    }
    if (copied == 0)
        return string;
    out += QStringView(string).mid(copied);
    return out;
}

QByteArray markupData(const QString& string)
{
    return string.toUtf8();
}

QByteArray numericCharacterReferences(const QByteArray& html)
{
    if (!html.contains('&'))
        return html;
    QByteArray out;
    out.reserve(html.size());
    qsizetype copied = 0;
    // Inside a tag, a legacy name without ";" stays as written: HTML reads
    // "?a=1&copy=2" in an attribute literally.
    bool inTag = false;
    char quote = 0;
    for (qsizetype i = 0; i < html.size(); ++i) {
        const char c = html[i];
        if (inTag) {
            if (quote != 0 && c == quote)
                quote = 0;
            else if (quote == 0 && (c == '"' || c == '\''))
                quote = c;
            else if (quote == 0 && c == '>')
                inTag = false;
        } else if (c == '<' && i + 1 < html.size()
                   && (std::isalpha(uchar(html[i + 1])) || html[i + 1] == '/' || html[i + 1] == '!')) {
            inTag = true;
        }
        if (c != '&')
            continue;
        qsizetype end = i + 1;
        while (end < html.size() && end - i - 1 < kLongestName && isAsciiAlphaNum(uchar(html[end])))
            ++end;
        if (end == i + 1)
            continue;
        const QByteArray name = html.mid(i + 1, end - i - 1);
        const NamedReference* reference = nullptr;
        qsizetype consumed = 0;
        if (end < html.size() && html[end] == ';') {
            reference = findReference(name);
            consumed = end + 1 - i;
        }
        if (reference == nullptr && !inTag) {
            for (qsizetype length = name.size(); length >= 2 && reference == nullptr; --length) {
                const NamedReference* legacy = findReference(name.left(length));
                if (legacy != nullptr && legacy->legacy) {
                    reference = legacy;
                    consumed = 1 + length;
                }
            }
        }
        if (reference == nullptr)
            continue;
        out.append(html.constData() + copied, i - copied);
        for (const char32_t codePoint : QString::fromUtf16(reference->value).toUcs4())
            out += "&#" + QByteArray::number(quint32(codePoint)) + ';';
        copied = i + consumed;
        i = copied - 1;
    }
    out.append(html.constData() + copied, html.size() - copied);
    return out;
}

QString htmlTitle(const QString& html)
{
    const HTMLDocument document(html);
    QString title;
    bool found = false;
    document.forEachElement([&](const HTMLElement& element) {
        if (!found && element.isNamed("title")) {
            found = true;
            title = element.textContent().simplified();
        }
    });
    return found ? title : QString();
}

QString htmlFavIcon(const QString& html)
{
    const HTMLDocument document(html);
    QString icon;
    document.forEachElement([&](const HTMLElement& element) {
        if (icon.isEmpty() && element.isNamed("link") && relHolds(element, "icon"))
            icon = element.attribute("href");
    });
    return icon.isEmpty() ? QString() : icon;
}

URL htmlBaseURL(const QString& html)
{
    return HTMLDocument(html).baseURL();
}

QStringList htmlImages(const QString& html)
{
    return addresses(HTMLDocument(html), [](const HTMLElement& element) {
        if (element.isNamed("img"))
            return element.attribute("src");
        if (element.isNamed("input") && compareStrings(element.attribute("type"), u"image", 1) == 0)
            return element.attribute("src");
        return QString();
    });
}

QStringList htmlStylesheetsAndScripts(const QString& html)
{
    return addresses(HTMLDocument(html), [](const HTMLElement& element) {
        if (element.isNamed("link") && relHolds(element, "stylesheet"))
            return element.attribute("href");
        return element.isNamed("script") ? element.attribute("src") : QString();
    });
}

QStringList htmlEmbeddedObjects(const QString& html)
{
    return addresses(HTMLDocument(html), [](const HTMLElement& element) {
        if (element.isNamed("object"))
            return element.attribute("data");
        if (element.isNamed("embed"))
            return element.attribute("src");
        return element.isNamed("applet") ? element.attribute("code") : QString();
    });
}

QStringList htmlFramesBaseURL(const QString& html, URL* baseURL)
{
    const HTMLDocument document(html);
    if (baseURL != nullptr)
        *baseURL = document.baseURL();
    return addresses(document, [](const HTMLElement& element) {
        return element.isNamed("frame") || element.isNamed("iframe") ? element.attribute("src") : QString();
    });
}

QStringList filteredHtmlLinksContaining(const QString& html, const QString& containing, bool useRelNoFollow,
                                        URL* baseURL)
{
    const HTMLDocument document(html);
    if (baseURL != nullptr)
        *baseURL = document.baseURL();
    return addresses(document, [&](const HTMLElement& element) {
        if (!element.isNamed("a") && !element.isNamed("area"))
            return QString();
        if (useRelNoFollow && relHolds(element, "nofollow"))
            return QString();
        const QString href = element.attribute("href");
        if (!containing.isEmpty() && !containsString(href, containing, 1))
            return QString();
        return href;
    });
}

QStringList htmlLinksBaseURL(const QString& html, URL* baseURL)
{
    return filteredHtmlLinksContaining(html, QString(), false, baseURL);
}

QString stringByConvertingHTMLToPlainText(const QString& html, bool removeDiacritics, bool reformat, bool bodyOnly,
                                          bool appendLinks)
{
    if (html.isEmpty())
        return html;
    const QString text = HTMLDocument(html).plainText(reformat, bodyOnly, appendLinks);
    return removeDiacritics ? nonUmlautedString(text) : text;
}

} // namespace sorvant
