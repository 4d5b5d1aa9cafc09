#include "web/toolkit/feed_services.h"

#include "web/toolkit/html_services.h"

#include <QXmlStreamReader>

namespace sorvant {

namespace {

// Deeper elements are skipped with all they hold, and the reading goes on
// after them: real feeds nest a few levels, and the reader's own stack of
// open elements is all that grows while one is skipped (without recursion).
constexpr int kMaximumFeedDepth = 256;

struct Feed
{
    bool found = false;
    QString title;
    QString link;
    QString description;
    QString styleSheet;
    QList<QVariantMap> items;
};

QString resolved(const QString& link, const URL& base)
{
    if (link.isEmpty() || base.isNull())
        return link;
    const URL url = URL::URLWithString(link, base);
    return url.isNull() ? link : url.absoluteString();
}

// The value of `name="..."` in a processing instruction's data.
QString pseudoAttribute(const QString& data, const QString& name)
{
    const qsizetype at = data.indexOf(name + QLatin1Char('='));
    if (at < 0 || at + name.size() + 1 >= data.size())
        return QString();
    const QChar quote = data.at(at + name.size() + 1);
    const qsizetype start = at + name.size() + 2;
    const qsizetype end = data.indexOf(quote, start);
    return end < 0 ? QString() : data.mid(start, end - start);
}

// The text of the element just started, its children's text included, read
// without recursion (QXmlStreamReader::readElementText recurses once per
// level); children nested past the bound are skipped with their text.
void readElementText(QXmlStreamReader& reader, int depth, QString* text)
{
    int inner = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (depth + inner + 1 > kMaximumFeedDepth)
                reader.skipCurrentElement();
            else
                ++inner;
            break;
        case QXmlStreamReader::EndElement:
            if (inner-- == 0)
                return;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            text->append(reader.text());
            break;
        default:
            break;
        }
    }
}

Feed readFeed(const QString& source, const URL& base)
{
    Feed feed;
    QXmlStreamReader reader(source);
    QVariantMap* item = nullptr;
    int itemDepth = -1;
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::ProcessingInstruction
            && reader.processingInstructionTarget() == QLatin1String("xml-stylesheet")) {
            const QString data = reader.processingInstructionData().toString();
            if (pseudoAttribute(data, QStringLiteral("type")) == QLatin1String("text/css"))
                feed.styleSheet = pseudoAttribute(data, QStringLiteral("href"));
            continue;
        }
        if (token == QXmlStreamReader::EndElement) {
            if (--depth == itemDepth) {
                item = nullptr;
                itemDepth = -1;
            }
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (++depth > kMaximumFeedDepth) {
            reader.skipCurrentElement();
            --depth;
            continue;
        }
        const QString name = reader.name().toString();
        if (depth == 1) {
            feed.found = name == QLatin1String("rss") || name == QLatin1String("RDF") || name == QLatin1String("feed");
            if (!feed.found)
                break;
            continue;
        }
        if (name == QLatin1String("item") || name == QLatin1String("entry")) {
            feed.items.append(QVariantMap{{QStringLiteral("title"), QString::fromLatin1("")}});
            item = &feed.items.last();
            itemDepth = depth - 1;
            continue;
        }
        // An Atom link carries its address as an attribute.
        if (name == QLatin1String("link") && reader.attributes().hasAttribute(QLatin1String("href"))) {
            const QString rel = reader.attributes().value(QLatin1String("rel")).toString();
            const QString href = reader.attributes().value(QLatin1String("href")).toString();
            if (rel.isEmpty() || rel == QLatin1String("alternate")) {
                if (item != nullptr && !item->contains(QStringLiteral("link")))
                    item->insert(QStringLiteral("link"), resolved(href, base));
                else if (item == nullptr && feed.link.isEmpty())
                    feed.link = resolved(href, base);
            }
            continue;
        }
        static const QHash<QString, QString> kItemKeys{
            {QStringLiteral("title"), QStringLiteral("title")},       {QStringLiteral("link"), QStringLiteral("link")},
            {QStringLiteral("description"), QStringLiteral("description")},
            {QStringLiteral("summary"), QStringLiteral("description")},
            {QStringLiteral("content"), QStringLiteral("description")},
            {QStringLiteral("encoded"), QStringLiteral("description")},
            {QStringLiteral("pubDate"), QStringLiteral("date")},      {QStringLiteral("date"), QStringLiteral("date")},
            {QStringLiteral("updated"), QStringLiteral("date")},      {QStringLiteral("published"), QStringLiteral("date")},
            {QStringLiteral("author"), QStringLiteral("author")},     {QStringLiteral("creator"), QStringLiteral("author")},
            {QStringLiteral("guid"), QStringLiteral("id")},           {QStringLiteral("id"), QStringLiteral("id")},
            {QStringLiteral("subtitle"), QStringLiteral("description")},
        };
        const auto key = kItemKeys.constFind(name);
        if (key == kItemKeys.constEnd())
            continue;
        QString raw;
        readElementText(reader, depth, &raw);
        --depth;   // the end element is read
        const QString text = raw.simplified();
        if (item != nullptr) {
            const QString value = *key == QLatin1String("link") ? resolved(text, base) : text;
            // The first description-like element wins (summary before content).
            if (!value.isEmpty() && (*key == QLatin1String("title") || !item->contains(*key)))
                item->insert(*key, value);
        } else if (*key == QLatin1String("title") && feed.title.isEmpty()) {
            feed.title = text;
        } else if (*key == QLatin1String("link") && feed.link.isEmpty()) {
            feed.link = resolved(text, base);
        } else if (*key == QLatin1String("description") && feed.description.isEmpty()) {
            feed.description = text;
        }
    }
    return feed;
}

// Whether a page may link to `link`: relative links, and the schemes that
// open a document; never "javascript:", "data:" or another that runs or
// carries content. Browsers skip white space and control characters inside
// a scheme ("java\tscript:"), so they are skipped here too.
//   "http://h/a" => true,  "a.html" => true,  " JavaScript:x" => false
bool isDisplayableLink(const QString& link)
{
    static const QStringList kSchemes{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("ftp"),
                                      QStringLiteral("mailto"), QStringLiteral("news"), QStringLiteral("feed")};
    QString scheme;
    for (const QChar c : link) {
        if (c.unicode() <= 0x20)
            continue;
        if (c == QLatin1Char(':'))
            return kSchemes.contains(scheme);
        if (c == QLatin1Char('/') || c == QLatin1Char('?') || c == QLatin1Char('#'))
            return true;
        scheme += c.toLower();
    }
    return true;
}

// `<a href="link">inner</a>`, or `inner` alone when the link is empty or
// may not be followed from the page.
QString linked(const QString& link, const QString& inner)
{
    if (link.isEmpty() || !isDisplayableLink(link))
        return inner;
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(link.toHtmlEscaped(), inner);
}

QString escaped(const QString& text)
{
    return stringByConvertingEntitiesToCharacters(text).toHtmlEscaped();
}

// Text of (possibly HTML) content as escaped paragraphs.
QString paragraphs(const QString& html)
{
    const QString text = stringByConvertingHTMLToPlainText(html, false, true, true, false);
    QString out;
    for (const QString& paragraph : text.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts))
        out += QStringLiteral("<p>") + paragraph.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"))
               + QStringLiteral("</p>\n");
    return out;
}

constexpr auto kStyle =
    "<style>\nbody { font-family: sans-serif; margin: 1em 2em; }\n.feed-item { border-top: 1px solid #ccc; }\n"
    ".feed-date { color: #666; font-size: smaller; }\n</style>\n";

} // namespace

QList<QVariantMap> getItemsOfFeed(const QString& source, const URL& baseURL)
{
    if (source.isEmpty())
        return {};
    return readFeed(source, baseURL).items;
}

QString stringByConvertingItemToDisplayHTML(const QVariantMap& item)
{
    const QString title = escaped(item.value(QStringLiteral("title")).toString());
    const QString link = item.value(QStringLiteral("link")).toString();
    QString html = QStringLiteral("<div class=\"feed-item\">\n<h2>");
    html += linked(link, title);
    html += QStringLiteral("</h2>\n");
    QStringList facts;
    for (const char* key : {"date", "author"}) {
        const QString value = item.value(QString::fromLatin1(key)).toString();
        if (!value.isEmpty())
            facts.append(escaped(value));
    }
    if (!facts.isEmpty())
        html += QStringLiteral("<p class=\"feed-date\">") + facts.join(QStringLiteral(" \u2014 ")) + QStringLiteral("</p>\n");
    html += paragraphs(item.value(QStringLiteral("description")).toString());
    html += QStringLiteral("</div>\n");
    return html;
}

QString stringByConvertingFeed(const QString& source, const URL& baseURL, bool linkedStyleSheet)
{
    if (source.isEmpty())
        return QString::fromLatin1("");
    const Feed feed = readFeed(source, baseURL);
    if (!feed.found)
        return QString::fromLatin1("");
    const QString title = escaped(feed.title);
    QString html = QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>%1</title>\n").arg(title);
    const QString styleSheet = resolved(feed.styleSheet, baseURL);
    if (linkedStyleSheet && !styleSheet.isEmpty() && isDisplayableLink(styleSheet))
        html += QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"%1\">\n").arg(styleSheet.toHtmlEscaped());
    else
        html += QString::fromLatin1(kStyle);
    html += QStringLiteral("</head>\n<body>\n<h1>");
    html += linked(feed.link, title);
    html += QStringLiteral("</h1>\n");
    html += paragraphs(feed.description);
    for (const QVariantMap& item : feed.items)
        html += stringByConvertingItemToDisplayHTML(item);
    html += QStringLiteral("</body>\n</html>\n");
    return html;
}

} // namespace sorvant
