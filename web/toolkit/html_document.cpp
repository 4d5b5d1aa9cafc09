#include "web/toolkit/html_document.h"

#include "platform/markup_tags.h"
#include "platform/string_compare.h"

#include <QFont>
#include <QHash>

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <mutex>

namespace sorvant {

namespace {

xmlNodePtr nodeOf(void* node)
{
    return static_cast<xmlNodePtr>(node);
}

QString fromXml(const xmlChar* text)
{
    return text == nullptr ? QString() : QString::fromUtf8(reinterpret_cast<const char*>(text));
}

bool named(xmlNodePtr node, const char* name)
{
    return node->type == XML_ELEMENT_NODE && node->name != nullptr
           && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

bool namedOneOf(xmlNodePtr node, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        if (named(node, name))
            return true;
    }
    return false;
}

// Walks the tree below `root` in document order without recursion.
// `enter` answers whether to go into the node's children; `leave` follows
// the node's subtree.
void walk(xmlNodePtr root, const std::function<bool(xmlNodePtr)>& enter, const std::function<void(xmlNodePtr)>& leave)
{
    xmlNodePtr node = root;
    while (node != nullptr) {
        if (enter(node) && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != nullptr) {
            leave(node);
            if (node == root)
                return;
            if (node->next != nullptr) {
                node = node->next;
                break;
            }
            node = node->parent;
        }
    }
}

// Elements the flattened text keeps nested; the parser stops the whole
// document at 256 levels, and a little room is left for the elements it
// adds itself (html, body, implied paragraphs).
constexpr int kFlattenedDepth = 200;

bool isVoidElement(const QByteArray& name)
{
    static const QList<QByteArray> kVoid{"area", "base", "br", "col", "embed", "hr", "img", "input", "link",
                                         "meta", "param", "source", "track", "wbr"};
    return kVoid.contains(name);
}

// The lower-case tag name at `at` (just past '<' or "</").
QByteArray tagName(const QByteArray& lower, qsizetype at)
{
    qsizetype end = at;
    while (end < lower.size() && (std::isalnum(static_cast<unsigned char>(lower.at(end))) != 0 || lower.at(end) == '-'))
        ++end;
    return lower.mid(at, end - at);
}

// The HTML with every start and end tag nested deeper than `depth` made a
// space, so the parser keeps all the text of a document nested too deeply
// for it (it would stop at the limit and drop the rest). With a depth of 0
// every tag goes. One pass; script and style contents are kept as written.
QByteArray flattenedHTML(const QByteArray& html, int depth)
{
    const QByteArray lower = html.toLower();
    QByteArray out;
    out.reserve(html.size());
    int open = 0;
    qsizetype at = 0;
    while (at < html.size()) {
        const qsizetype tag = html.indexOf('<', at);
        if (tag < 0 || tag + 1 >= html.size()) {
            out += html.mid(at);
            break;
        }
        out += html.mid(at, tag - at);
        const char next = html.at(tag + 1);
        const bool closing = next == '/';
        const bool letter = std::isalpha(static_cast<unsigned char>(closing && tag + 2 < html.size() ? html.at(tag + 2) : next)) != 0;
        qsizetype end = tag + 1;
        if (lower.mid(tag, 4) == "<!--") {
            const qsizetype close = lower.indexOf("-->", tag + 4);
            end = close < 0 ? html.size() : close + 3;
        } else if (next == '!' || next == '?' || letter) {
            end = pastMarkupTag(html, tag);
        } else {
            out += '<';
            at = tag + 1;
            continue;
        }
        bool keep = depth > 0;
        if (letter) {
            const QByteArray name = tagName(lower, tag + (closing ? 2 : 1));
            const bool selfClosing = isSelfClosingTag(html, tag, end);
            // Links stay wherever they are (the parser does not nest one in
            // another), so the deep text keeps its addresses.
            const bool nests = name != "a" && !isVoidElement(name) && !selfClosing;
            if (nests && closing) {
                keep = keep && open <= depth;
                open = std::max(0, open - 1);
            } else if (nests) {
                keep = keep && ++open <= depth;
            }
            if (!closing && (name == "script" || name == "style")) {
                // Their text is not markup: copied up to the end tag, which
                // is then read as usual.
                const qsizetype close = lower.indexOf("</" + name, end);
                const qsizetype stop = close < 0 ? html.size() : close;
                out += keep ? html.mid(tag, stop - tag) : QByteArray(" ");
                at = stop;
                continue;
            }
        }
        out += keep ? html.mid(tag, end - tag) : QByteArray(" ");
        at = end;
    }
    return out;
}

// Parses once; `halted` tells whether the parser stopped before the end
// (it does when elements nest past its limit, keeping only what came
// before).
htmlDocPtr parseOnce(const QByteArray& bytes, const char* encoding, bool* halted)
{
    *halted = false;
    htmlParserCtxtPtr context = htmlNewParserCtxt();
    if (context == nullptr)
        return nullptr;
    htmlDocPtr document = htmlCtxtReadMemory(context, bytes.constData(), int(bytes.size()), nullptr, encoding,
                                             HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
                                                 | HTML_PARSE_NONET | HTML_PARSE_COMPACT);
    *halted = context->disableSAX != 0 && context->instate == XML_PARSER_EOF;
    htmlFreeParserCtxt(context);
    return document;
}

// A document the parser gave up on part way is parsed again flattened
// below a depth, and failing that with no tags at all, so that no text is
// ever lost silently.
htmlDocPtr parse(const QByteArray& bytes, const char* encoding)
{
    static std::once_flag initialized;
    std::call_once(initialized, [] { xmlInitParser(); });
    if (bytes.size() > INT_MAX)
        return nullptr;
    for (const int depth : {-1, kFlattenedDepth, 0}) {
        bool halted = false;
        htmlDocPtr document = parseOnce(depth < 0 ? bytes : flattenedHTML(bytes, depth), encoding, &halted);
        if (!halted || depth == 0)
            return document;
        if (document != nullptr)
            xmlFreeDoc(document);
    }
    return nullptr;
}

bool isWhite(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')
           || c == QLatin1Char('\f');
}

// Text laid out as a browser would: collapsed white space, line breaks
// between blocks; or, without reformatting, the text nodes as written.
class TextLayout
{
public:
    explicit TextLayout(bool reformat) : m_reformat(reformat) {}

    void text(const QString& text, bool preformatted)
    {
        if (!m_reformat || preformatted) {
            if (!text.isEmpty()) {
                flush();
                m_out += text;
            }
            return;
        }
        for (const QChar c : text) {
            if (isWhite(c)) {
                m_pendingSpace = true;
                continue;
            }
            flush();
            m_out += c;
        }
    }
    void block(int lineEnds)
    {
        if (m_reformat)
            m_pendingBreaks = std::max(m_pendingBreaks, lineEnds);
    }
    void space() { m_pendingSpace = true; }
    QString result() const
    {
        qsizetype end = m_out.size();
        while (end > 0 && isWhite(m_out.at(end - 1)))
            --end;
        return m_out.left(end);
    }
    // The text laid out since `from`, without trailing white space (it may
    // yet become a break); moves `from` past it. Taking the text piece by
    // piece so is linear, where copying the whole result each time is not.
    QString textFrom(qsizetype& from) const
    {
        qsizetype end = m_out.size();
        while (end > from && isWhite(m_out.at(end - 1)))
            --end;
        QString part = m_out.mid(from, end - from);
        from = std::max(from, end);
        return part;
    }

private:
    void flush()
    {
        if (!m_out.isEmpty() && m_pendingBreaks > 0)
            m_out += QString(m_pendingBreaks, QLatin1Char('\n'));
        else if (!m_out.isEmpty() && m_pendingSpace && !m_out.endsWith(QLatin1Char('\n')))
            m_out += QLatin1Char(' ');
        m_pendingBreaks = 0;
        m_pendingSpace = false;
    }

    QString m_out;
    bool m_reformat;
    bool m_pendingSpace = false;
    int m_pendingBreaks = 0;
};

int lineEndsAround(xmlNodePtr node)
{
    if (namedOneOf(node, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote", "pre", "ul", "ol", "dl", "table",
                          "figure", "section", "article", "header", "footer", "hr"}))
        return 2;
    if (namedOneOf(node, {"div", "li", "tr", "dt", "dd", "address", "br", "title", "form", "nav", "main", "aside"}))
        return 1;
    return 0;
}

bool isHidden(xmlNodePtr node)
{
    return namedOneOf(node, {"script", "style", "noscript", "template"}) || node->type == XML_COMMENT_NODE;
}

} // namespace

bool HTMLElement::isNamed(const char* name) const
{
    return named(nodeOf(m_node), name);
}

QString HTMLElement::attribute(const char* name) const
{
    xmlChar* value = xmlGetProp(nodeOf(m_node), reinterpret_cast<const xmlChar*>(name));
    const QString result = fromXml(value);
    xmlFree(value);
    return result;
}

QString HTMLElement::textContent() const
{
    xmlChar* value = xmlNodeGetContent(nodeOf(m_node));
    const QString result = fromXml(value);
    xmlFree(value);
    return result.isNull() ? QString::fromLatin1("") : result;
}

HTMLDocument::HTMLDocument(const QString& html) : m_document(parse(numericCharacterReferences(html.toUtf8()), "UTF-8"))
{
}

HTMLDocument::HTMLDocument(const QByteArray& data, const QString& encoding)
    : m_document(parse(numericCharacterReferences(data), encoding.isEmpty() ? nullptr : encoding.toLatin1().constData()))
{
}

HTMLDocument::~HTMLDocument()
{
    if (m_document != nullptr)
        xmlFreeDoc(static_cast<htmlDocPtr>(m_document));
}

void HTMLDocument::forEachElement(const std::function<void(const HTMLElement&)>& visit) const
{
    if (m_document == nullptr)
        return;
    xmlNodePtr root = xmlDocGetRootElement(static_cast<htmlDocPtr>(m_document));
    if (root == nullptr)
        return;
    walk(
        root,
        [&](xmlNodePtr node) {
            if (node->type == XML_ELEMENT_NODE)
                visit(HTMLElement(node));
            return true;
        },
        [](xmlNodePtr) {});
}

URL HTMLDocument::baseURL() const
{
    QString href;
    forEachElement([&](const HTMLElement& element) {
        if (href.isEmpty() && element.isNamed("base"))
            href = element.attribute("href");
    });
    return href.isEmpty() ? URL() : URL::URLWithString(href.trimmed());
}

QString HTMLDocument::plainText(bool reformat, bool bodyOnly, bool appendLinks) const
{
    if (m_document == nullptr)
        return QString::fromLatin1("");
    xmlNodePtr root = xmlDocGetRootElement(static_cast<htmlDocPtr>(m_document));
    if (root == nullptr)
        return QString::fromLatin1("");
    TextLayout layout(reformat);
    int preformatted = 0;
    walk(
        root,
        [&](xmlNodePtr node) {
            if (isHidden(node) || (bodyOnly && named(node, "head")))
                return false;
            if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
                layout.text(fromXml(node->content), preformatted > 0);
                return false;
            }
            layout.block(lineEndsAround(node));
            if (namedOneOf(node, {"td", "th"}))
                layout.space();
            if (named(node, "pre"))
                ++preformatted;
            return true;
        },
        [&](xmlNodePtr node) {
            if (node->type != XML_ELEMENT_NODE)
                return;
            if (named(node, "pre"))
                --preformatted;
            if (appendLinks && named(node, "a")) {
                const QString href = HTMLElement(node).attribute("href");
                if (!href.isEmpty()) {
                    layout.space();
                    layout.text(QLatin1Char('<') + href + QLatin1Char('>'), true);
                }
            }
            layout.block(lineEndsAround(node));
        });
    return layout.result();
}

AttributedString HTMLDocument::attributedText(const URL& base) const
{
    AttributedString result;
    if (m_document == nullptr)
        return result;
    xmlNodePtr root = xmlDocGetRootElement(static_cast<htmlDocPtr>(m_document));
    if (root == nullptr)
        return result;
    // Styles in force, counted so that nesting unwinds.
    int bold = 0;
    int italic = 0;
    int underline = 0;
    int heading = 0;
    QStringList links;
    QString pending;   // text not yet laid out in the current style
    QVariantMap pendingAttributes;
    // One dictionary per style and link, shared by every run in it: a page
    // of many short runs then costs a pointer a run, not a font and a map.
    QHash<std::pair<int, QString>, QVariantMap> made;
    auto attributesNow = [&] {
        const QString link = links.isEmpty() ? QString() : links.last();
        const int style = (bold > 0 ? 1 : 0) | (italic > 0 ? 2 : 0) | (underline > 0 ? 4 : 0) | (heading > 0 ? 8 : 0);
        const auto found = made.constFind(std::pair{style, link});
        if (found != made.constEnd())
            return *found;
        QVariantMap& attributes = made[std::pair{style, link}];
        QFont font;
        font.setBold(bold > 0 || heading > 0);
        font.setItalic(italic > 0);
        font.setPointSizeF(heading > 0 ? 18.0 : 12.0);
        attributes.insert(QString::fromLatin1(attribute::kFont), font);
        if (underline > 0)
            attributes.insert(QString::fromLatin1(attribute::kUnderlineStyle), 1);
        if (!link.isEmpty())
            attributes.insert(QString::fromLatin1(attribute::kLink), link);
        return attributes;
    };
    TextLayout layout(true);
    // The layout works on plain text; each piece it produces is given the
    // attributes in force when its text arrived.
    qsizetype laidOut = 0;
    auto take = [&] {
        const QString piece = layout.textFrom(laidOut);
        if (!piece.isEmpty())
            result.appendAttributedString(AttributedString(piece, pendingAttributes));
    };
    walk(
        root,
        [&](xmlNodePtr node) {
            if (isHidden(node) || named(node, "head"))
                return false;
            if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
                take();
                pendingAttributes = attributesNow();
                layout.text(fromXml(node->content), false);
                return false;
            }
            layout.block(lineEndsAround(node));
            if (namedOneOf(node, {"b", "strong"}))
                ++bold;
            else if (namedOneOf(node, {"i", "em", "cite"}))
                ++italic;
            else if (named(node, "u"))
                ++underline;
            else if (namedOneOf(node, {"h1", "h2", "h3", "h4", "h5", "h6"}))
                ++heading;
            else if (named(node, "a")) {
                const QString href = HTMLElement(node).attribute("href").trimmed();
                const URL url = href.isEmpty() ? URL() : URL::URLWithString(href, base);
                links.append(url.isNull() ? href : url.absoluteString());
            }
            return true;
        },
        [&](xmlNodePtr node) {
            if (node->type != XML_ELEMENT_NODE)
                return;
            if (namedOneOf(node, {"b", "strong"}))
                --bold;
            else if (namedOneOf(node, {"i", "em", "cite"}))
                --italic;
            else if (named(node, "u"))
                --underline;
            else if (namedOneOf(node, {"h1", "h2", "h3", "h4", "h5", "h6"}))
                --heading;
            else if (named(node, "a") && !links.isEmpty())
                links.removeLast();
            layout.block(lineEndsAround(node));
        });
    take();
    return result;
}

} // namespace sorvant
