#include "web/toolkit/html_document.h"

#include "platform/markup_tags.h"
#include "platform/string_compare.h"

#include <QFont>
#include <QHash>

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace sorvant {

// The parsed document as the walks below need it, built from the parser's
// events: elements, texts, comments and the rest in document order, linked
// by index, with every text and attribute value in one buffer of UTF-8.
// About a quarter of the memory of the parser's own tree, whose nodes are
// separate allocations of 120 bytes each.
struct HTMLTree
{
    enum Kind : quint8 { Element, Text, CData, Comment, Other };
    struct Node
    {
        qint32 parent = -1;
        qint32 firstChild = -1;
        qint32 lastChild = -1;
        qint32 next = -1;
        // Texts: their bytes in `text`; elements: their attributes in
        // `attributes`.
        qsizetype start = 0;
        qsizetype length = 0;
        quint32 name = 0;
        Kind kind = Other;
    };
    struct Attribute
    {
        quint32 name = 0;
        qsizetype start = 0;
        qsizetype length = 0;
    };

    std::vector<Node> nodes;
    std::vector<Attribute> attributes;
    QByteArray text;
    QList<QByteArray> names;
    QHash<QByteArray, quint32> nameIndex;
    qint32 root = -1;      // the first element outside any other
    qint32 current = -1;   // the open element new nodes go into
    int depth = 0;         // the elements open
    bool started = false;  // the parser began the document
    // What the parser's tree has at the document's level: anything yet,
    // and whether the first node there is the root element. An element
    // begun after the root has closed goes into the root when it is the
    // first node, else beside it, where no walk reaches.
    bool documentHasNodes = false;
    bool rootIsFirst = false;

    quint32 nameOf(const char* name)
    {
        const QByteArray key(name);
        const auto found = nameIndex.constFind(key);
        if (found != nameIndex.constEnd())
            return *found;
        names.append(key);
        return nameIndex[key] = quint32(names.size() - 1);
    }
    qsizetype append(const char* bytes, int length)
    {
        const qsizetype start = text.size();
        text.append(bytes, length);
        return start;
    }
    // A new node as the last child of `parent` (or of the document, for
    // -1).
    qint32 add(Kind kind, qint32 parentIndex)
    {
        const auto index = qint32(nodes.size());
        Node node;
        node.kind = kind;
        node.parent = parentIndex;
        if (parentIndex >= 0) {
            Node& parent = nodes[size_t(parentIndex)];
            if (parent.lastChild >= 0)
                nodes[size_t(parent.lastChild)].next = index;
            else
                parent.firstChild = index;
            parent.lastChild = index;
        }
        nodes.push_back(node);
        return index;
    }
    // Text joins the text node it follows, as the parser's tree has it.
    void addText(Kind kind, const char* bytes, int length)
    {
        if (current < 0)
            return;
        const qint32 last = nodes[size_t(current)].lastChild;
        if (last >= 0 && nodes[size_t(last)].kind == kind) {
            Node& node = nodes[size_t(last)];
            if (node.start + node.length != text.size()) {
                const QByteArray before = text.mid(node.start, node.length);
                node.start = append(before.constData(), int(before.size()));
            }
            append(bytes, length);
            node.length += length;
            return;
        }
        const qint32 index = add(kind, current);
        nodes[size_t(index)].start = append(bytes, length);
        nodes[size_t(index)].length = length;
    }
};

namespace {

// The parser's events, with the tree in the context's private pointer.
HTMLTree& treeOf(void* context)
{
    return *static_cast<HTMLTree*>(static_cast<htmlParserCtxtPtr>(context)->_private);
}

void startDocument(void* context)
{
    treeOf(context).started = true;
}

// A document type, a comment or an instruction outside every element.
void noteDocumentNode(HTMLTree& tree)
{
    tree.documentHasNodes = true;
}

void internalSubset(void* context, const xmlChar*, const xmlChar*, const xmlChar*)
{
    // The document type goes first at the document's level.
    HTMLTree& tree = treeOf(context);
    noteDocumentNode(tree);
    tree.rootIsFirst = false;
}

void startElement(void* context, const xmlChar* name, const xmlChar** attributes)
{
    auto* parser = static_cast<htmlParserCtxtPtr>(context);
    HTMLTree& tree = treeOf(context);
    // The parser's own tree stops the document past this depth; so does
    // this one, and the document is then read again flattened.
    if (unsigned(tree.depth) > xmlParserMaxDepth) {
        xmlStopParser(parser);
        return;
    }
    qint32 parent = tree.current;
    if (parent < 0 && tree.documentHasNodes && tree.rootIsFirst)
        parent = tree.root;
    const qint32 index = tree.add(HTMLTree::Element, parent);
    if (tree.current < 0 && !tree.documentHasNodes) {
        tree.documentHasNodes = true;
        tree.rootIsFirst = true;
    }
    if (tree.root < 0 && parent < 0)
        tree.root = index;
    ++tree.depth;
    HTMLTree::Node& node = tree.nodes[size_t(index)];
    node.name = tree.nameOf(reinterpret_cast<const char*>(name));
    node.start = qsizetype(tree.attributes.size());
    for (const xmlChar** pair = attributes; pair != nullptr && pair[0] != nullptr; pair += 2) {
        // A boolean attribute written without a value has its name as value.
        const xmlChar* value = pair[1] != nullptr ? pair[1] : htmlIsBooleanAttr(pair[0]) != 0 ? pair[0] : nullptr;
        const int length = value == nullptr ? 0 : int(std::strlen(reinterpret_cast<const char*>(value)));
        tree.attributes.push_back({tree.nameOf(reinterpret_cast<const char*>(pair[0])),
                                   tree.append(reinterpret_cast<const char*>(value), length), length});
    }
    tree.nodes[size_t(index)].length = qsizetype(tree.attributes.size()) - tree.nodes[size_t(index)].start;
    tree.current = index;
}

void endElement(void* context, const xmlChar*)
{
    HTMLTree& tree = treeOf(context);
    if (tree.current < 0)
        return;
    --tree.depth;
    // An element put into the root after it closed closes back to the
    // document's level, as the parser's own stack has it.
    const qint32 parent = tree.nodes[size_t(tree.current)].parent;
    tree.current = tree.depth == 0 ? -1 : parent;
}

void characters(void* context, const xmlChar* bytes, int length)
{
    treeOf(context).addText(HTMLTree::Text, reinterpret_cast<const char*>(bytes), length);
}

void cdataBlock(void* context, const xmlChar* bytes, int length)
{
    treeOf(context).addText(HTMLTree::CData, reinterpret_cast<const char*>(bytes), length);
}

void comment(void* context, const xmlChar*)
{
    HTMLTree& tree = treeOf(context);
    if (tree.current < 0)
        noteDocumentNode(tree);
    tree.add(HTMLTree::Comment, tree.current);
}

void processingInstruction(void* context, const xmlChar*, const xmlChar*)
{
    HTMLTree& tree = treeOf(context);
    if (tree.current < 0)
        noteDocumentNode(tree);
    tree.add(HTMLTree::Other, tree.current);
}

// One node of a parsed document.
struct NodeRef
{
    const HTMLTree* tree;
    qint32 index;

    [[nodiscard]] const HTMLTree::Node& node() const { return tree->nodes[size_t(index)]; }
    [[nodiscard]] bool isElement() const { return node().kind == HTMLTree::Element; }
    [[nodiscard]] bool isText() const { return node().kind == HTMLTree::Text || node().kind == HTMLTree::CData; }
    [[nodiscard]] bool isComment() const { return node().kind == HTMLTree::Comment; }
    [[nodiscard]] QString text() const
    {
        return QString::fromUtf8(tree->text.constData() + node().start, node().length);
    }
};

bool named(NodeRef node, const char* name)
{
    return node.isElement() && node.tree->names.at(node.node().name) == name;
}

bool namedOneOf(NodeRef node, std::initializer_list<const char*> names)
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
void walk(NodeRef root, const std::function<bool(NodeRef)>& enter, const std::function<void(NodeRef)>& leave)
{
    const HTMLTree& tree = *root.tree;
    qint32 node = root.index;
    while (node >= 0) {
        if (enter(NodeRef{&tree, node}) && tree.nodes[size_t(node)].firstChild >= 0) {
            node = tree.nodes[size_t(node)].firstChild;
            continue;
        }
        while (node >= 0) {
            leave(NodeRef{&tree, node});
            if (node == root.index)
                return;
            if (tree.nodes[size_t(node)].next >= 0) {
                node = tree.nodes[size_t(node)].next;
                break;
            }
            node = tree.nodes[size_t(node)].parent;
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

// Parses once into a tree; `halted` tells whether the parser stopped
// before the end (it does when elements nest past its limit, keeping only
// what came before). Null when the parser could not start.
std::unique_ptr<HTMLTree> parseOnce(const QByteArray& bytes, const char* encoding, bool* halted)
{
    *halted = false;
    htmlParserCtxtPtr context = htmlNewParserCtxt();
    if (context == nullptr || context->sax == nullptr) {
        if (context != nullptr)
            htmlFreeParserCtxt(context);
        return nullptr;
    }
    auto tree = std::make_unique<HTMLTree>();
    // The events build our tree instead of the parser's own.
    std::memset(context->sax, 0, sizeof(htmlSAXHandler));
    context->sax->startDocument = startDocument;
    context->sax->internalSubset = internalSubset;
    context->sax->startElement = startElement;
    context->sax->endElement = endElement;
    context->sax->characters = characters;
    context->sax->cdataBlock = cdataBlock;
    context->sax->comment = comment;
    context->sax->processingInstruction = processingInstruction;
    context->_private = tree.get();
    htmlDocPtr document = htmlCtxtReadMemory(context, bytes.constData(), int(bytes.size()), nullptr, encoding,
                                             HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
                                                 | HTML_PARSE_NONET);
    if (document != nullptr)
        xmlFreeDoc(document);
    *halted = context->disableSAX != 0 && context->instate == XML_PARSER_EOF;
    htmlFreeParserCtxt(context);
    if (!tree->started)
        return nullptr;
    tree->current = -1;
    return tree;
}

// A document the parser gave up on part way is parsed again flattened
// below a depth, and failing that with no tags at all, so that no text is
// ever lost silently.
std::unique_ptr<HTMLTree> parse(const QByteArray& bytes, const char* encoding)
{
    static std::once_flag initialized;
    std::call_once(initialized, [] { xmlInitParser(); });
    if (bytes.size() > INT_MAX)
        return nullptr;
    for (const int depth : {-1, kFlattenedDepth, 0}) {
        bool halted = false;
        std::unique_ptr<HTMLTree> tree = parseOnce(depth < 0 ? bytes : flattenedHTML(bytes, depth), encoding, &halted);
        if (!halted || depth == 0)
            return tree;
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

int lineEndsAround(NodeRef node)
{
    if (namedOneOf(node, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote", "pre", "ul", "ol", "dl", "table",
                          "figure", "section", "article", "header", "footer", "hr"}))
        return 2;
    if (namedOneOf(node, {"div", "li", "tr", "dt", "dd", "address", "br", "title", "form", "nav", "main", "aside"}))
        return 1;
    return 0;
}

bool isHidden(NodeRef node)
{
    return namedOneOf(node, {"script", "style", "noscript", "template"}) || node.isComment();
}

} // namespace

bool HTMLElement::isNamed(const char* name) const
{
    return named(NodeRef{m_tree, m_index}, name);
}

QString HTMLElement::attribute(const char* name) const
{
    const HTMLTree::Node& node = m_tree->nodes[size_t(m_index)];
    for (qsizetype at = node.start; at < node.start + node.length; ++at) {
        const HTMLTree::Attribute& attribute = m_tree->attributes[size_t(at)];
        if (m_tree->names.at(attribute.name) == name)
            return QString::fromUtf8(m_tree->text.constData() + attribute.start, attribute.length);
    }
    return QString();
}

QString HTMLElement::textContent() const
{
    QByteArray bytes;
    walk(
        NodeRef{m_tree, m_index},
        [&](NodeRef node) {
            if (node.isText())
                bytes.append(m_tree->text.constData() + node.node().start, node.node().length);
            return true;
        },
        [](NodeRef) {});
    return QString::fromUtf8(bytes);
}

HTMLDocument::HTMLDocument(const QString& html) : m_tree(parse(numericCharacterReferences(html.toUtf8()), "UTF-8"))
{
}

HTMLDocument::HTMLDocument(const QByteArray& data, const QString& encoding)
    : m_tree(parse(numericCharacterReferences(data), encoding.isEmpty() ? nullptr : encoding.toLatin1().constData()))
{
}

HTMLDocument::~HTMLDocument() = default;

void HTMLDocument::forEachElement(const std::function<void(const HTMLElement&)>& visit) const
{
    if (m_tree == nullptr || m_tree->root < 0)
        return;
    walk(
        NodeRef{m_tree.get(), m_tree->root},
        [&](NodeRef node) {
            if (node.isElement())
                visit(HTMLElement(m_tree.get(), node.index));
            return true;
        },
        [](NodeRef) {});
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
    if (m_tree == nullptr || m_tree->root < 0)
        return QString::fromLatin1("");
    const NodeRef root{m_tree.get(), m_tree->root};
    TextLayout layout(reformat);
    int preformatted = 0;
    walk(
        root,
        [&](NodeRef node) {
            if (isHidden(node) || (bodyOnly && named(node, "head")))
                return false;
            if (node.isText()) {
                layout.text(node.text(), preformatted > 0);
                return false;
            }
            layout.block(lineEndsAround(node));
            if (namedOneOf(node, {"td", "th"}))
                layout.space();
            if (named(node, "pre"))
                ++preformatted;
            return true;
        },
        [&](NodeRef node) {
            if (!node.isElement())
                return;
            if (named(node, "pre"))
                --preformatted;
            if (appendLinks && named(node, "a")) {
                const QString href = HTMLElement(m_tree.get(), node.index).attribute("href");
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
    if (m_tree == nullptr || m_tree->root < 0)
        return result;
    const NodeRef root{m_tree.get(), m_tree->root};
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
        [&](NodeRef node) {
            if (isHidden(node) || named(node, "head"))
                return false;
            if (node.isText()) {
                take();
                pendingAttributes = attributesNow();
                layout.text(node.text(), false);
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
                const QString href = HTMLElement(m_tree.get(), node.index).attribute("href").trimmed();
                const URL url = href.isEmpty() ? URL() : URL::URLWithString(href, base);
                links.append(url.isNull() ? href : url.absoluteString());
            }
            return true;
        },
        [&](NodeRef node) {
            if (!node.isElement())
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
