#pragma once
// HTMLDocument: one HTML text parsed by libxml2's HTML parser (recovering
// from errors, never touching the network, nesting capped by the parser)
// into a compact tree of our own, walked without recursion. Named
// character references are turned into numeric ones before parsing, so
// every name of HTML's list is known. The HTML services, the feed display
// and the HTML reader build on it.

#include "foundation/attributed_string.h"
#include "platform/url.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace sorvant {

struct HTMLTree;

// One element of a parsed document, valid while the document lives.
class HTMLElement
{
public:
    HTMLElement(const HTMLTree* tree, qint32 index) : m_tree(tree), m_index(index) {}
    // Whether the (lower-case) tag name is `name`.
    [[nodiscard]] bool isNamed(const char* name) const;
    // The attribute's value; null when absent.
    [[nodiscard]] QString attribute(const char* name) const;
    // The text of every text node below the element.
    [[nodiscard]] QString textContent() const;

private:
    const HTMLTree* m_tree;
    qint32 m_index;
};

class HTMLDocument
{
public:
    // Parses UTF-16 text.
    explicit HTMLDocument(const QString& html);
    // Parses bytes in `encoding` (an encoding name; null: from the document's
    // own declaration, else UTF-8).
    HTMLDocument(const QByteArray& data, const QString& encoding);
    ~HTMLDocument();
    HTMLDocument(const HTMLDocument&) = delete;
    HTMLDocument& operator=(const HTMLDocument&) = delete;

    [[nodiscard]] bool isValid() const { return m_tree != nullptr; }
    // Calls `visit` for every element in document order.
    void forEachElement(const std::function<void(const HTMLElement&)>& visit) const;
    // The first <base href>; null when none.
    [[nodiscard]] URL baseURL() const;
    // The visible text (see stringByConvertingHTMLToPlainText).
    [[nodiscard]] QString plainText(bool reformat, bool bodyOnly, bool appendLinks) const;
    // The body as rich text: paragraphs and line breaks, bold, italic,
    // underline, larger bold headings, and links ("Link" the address made
    // absolute against `base` when it has one).
    [[nodiscard]] AttributedString attributedText(const URL& base) const;

private:
    std::unique_ptr<HTMLTree> m_tree;
};

// "&name;" references of HTML's list as numeric references "&#N;".
//   "&hearts;&NotEqualTilde;" => "&#9829;&#8770;&#824;"
[[nodiscard]] QByteArray numericCharacterReferences(const QByteArray& html);

} // namespace sorvant
