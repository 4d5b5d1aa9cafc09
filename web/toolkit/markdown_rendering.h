#pragma once
// Text services around a Markdown document before and after a renderer
// turns it into HTML: the metadata header as key/value pairs, section
// titles and identifiers, placeholders, forced hard line breaks, the HTML
// head additions (math, diagrams, syntax highlighting), Markdown-style
// marks turned into CriticMarkup with emoji short names replaced before
// rendering, and task-list items turned into check boxes after it. Nothing
// here renders; the emoji table and the highlighting files are the only
// state (read once, kept).
//
// A nil receiver gives nil; an empty one gives itself (metadata attributes
// and the identifier: nil).

#include <QMap>
#include <QString>

namespace sorvant {

// --- metadata ----------------------------------------------------------------
// The header's «key: value» lines: keys lower-cased without white space,
// values trimmed; later keys win. Empty when the text has no header.
//   "Title: A\ntitle : B\n\nBody" => {"title": "B"}    "Body" => {}
[[nodiscard]] QMap<QString, QString> markdownMetaAttributes(const QString& string);

// --- sections ----------------------------------------------------------------
// A header line cleaned for display: "#" trimmed, "*" and backticks made
// spaces, white space collapsed; null when nothing is left.
//   "## *My* `Section` ##" => "My Section"   "###" => null
[[nodiscard]] QString _preprocessMarkdownSection(const QString& line);
// The display title: link targets dropped, a bracketed tag removed.
//   "## My Section [Intro]" => "My Section"   "# [Intro]" => "Intro"
[[nodiscard]] QString titleOfMarkdownSection(const QString& line);
// An identifier for links to the section; null when nothing is left.
//   "## My Section [Intro]" => "intro"   "# Hello, World!" => "helloworld"   "# !?" => null
[[nodiscard]] QString identifierOfMarkdownSection(const QString& line);

// --- placeholders and line breaks --------------------------------------------
// Fills «[%key]» and «[%key%]» (key ignoring case) from `values`.
//   "Hi [%NAME]!", {name: Ann} => "Hi Ann!"   "[%name" => itself
[[nodiscard]] QString stringByReplacingMarkdownPlaceholders(const QString& string,
                                                            const QMap<QString, QString>& values);
// Every plain line end made a hard break (three spaces before it), except
// around setext underlines; code and link targets are copied unchanged.
//   "a\nb" => "a   \nb"   "T\n==\n" => "T\n==   \n"
[[nodiscard]] QString stringByForcingMarkdownLineBreaks(const QString& string);

// --- rendering ---------------------------------------------------------------
enum MarkdownHeaderOption : unsigned {
    kMarkdownHeaderMath = 1,
    kMarkdownHeaderSyntaxHighlighting = 2,
    kMarkdownHeaderDiagrams = 4,
};
// HTML for a document's head: the math script, the diagram script and the
// highlighting style and script (left out when those files are missing).
//   0 => null   1 => "<script ... id=\"MathJax-script\" async ...></script>"
[[nodiscard]] QString markdownHeaderWithOptions(unsigned options);

// «~~x~~» becomes «{--x--}», «==x==» and «^^x^^» become «{==x==}», and
// «:smile:» the emoji, outside code.
//   "a ~~b~~ `~~c~~`" => "a {--b--} `~~c~~`"   ":+1: :smile:" => ":+1: 😄"
[[nodiscard]] QString stringByPreprocessingMarkdownForRendering(const QString& string);
// Rendered task-list items as ballot boxes (U+2610, checked U+2611).
//   "<li>[x] done" => "<li style=\"list-style: none;\">☑ done"   "<p>x</p>" => itself
[[nodiscard]] QString stringByPostprocessingMarkdownForRendering(const QString& string);

// --- resources ---------------------------------------------------------------
// The folder "github.json", "prism.css" and "prism.js" are read from; by
// default the compiled-in ":/sorvant/web". Setting it (an empty string
// restores the default) forgets what was read, so tests can point at a
// folder without them.
[[nodiscard]] QString markdownResourceDirectory();
void setMarkdownResourceDirectory(const QString& directory);

} // namespace sorvant
