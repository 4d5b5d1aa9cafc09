#pragma once
// What the toolkit reads out of HTML source: the title, the favicon, the
// base URL, the addresses of images, style sheets and scripts, embedded
// objects, frames and links, the visible text, and character references.
// HTML is parsed with libxml2's HTML parser (no network, nesting capped);
// named character references are decoded from HTML's complete list before
// it sees them. Addresses are returned as written in the source, in
// document order, without repeats.

#include "platform/url.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace sorvant {

// --- character references ---------------------------------------------------------
// Decodes named ("&eacute;", "&NotEqualTilde;", legacy "&copy" without ";"
// where HTML allows it) and numeric references as HTML does in text.
//   "caf&eacute; &amp;amp; &#x1F600; &#0; &nosuch;" => "café &amp; 😀 \uFFFD &nosuch;"
//   "AT&T" => itself   null => null
[[nodiscard]] QString stringByConvertingEntitiesToCharacters(const QString& string);
// The source as UTF-8 bytes for the rich-text reader.
[[nodiscard]] QByteArray markupData(const QString& string);

// --- document facts -----------------------------------------------------------------
// The title element's text, white space collapsed; null without a title.
[[nodiscard]] QString htmlTitle(const QString& html);
// The href of the first <link> whose rel holds "icon"; null when none.
[[nodiscard]] QString htmlFavIcon(const QString& html);
// The document's <base href>; a null URL when none or unparsable.
[[nodiscard]] URL htmlBaseURL(const QString& html);

// --- addresses ------------------------------------------------------------------------
// <img src>, <input type=image src>.
[[nodiscard]] QStringList htmlImages(const QString& html);
// <link rel=stylesheet href>, <script src>.
[[nodiscard]] QStringList htmlStylesheetsAndScripts(const QString& html);
// <object data>, <embed src>, <applet code>.
[[nodiscard]] QStringList htmlEmbeddedObjects(const QString& html);
// <frame src>, <iframe src>; `baseURL` (when given) gets htmlBaseURL().
[[nodiscard]] QStringList htmlFramesBaseURL(const QString& html, URL* baseURL);
// <a href>, <area href>, only those containing `containing` (ignoring
// case) when it is not empty; with `useRelNoFollow` links marked
// rel="nofollow" are left out. `baseURL` (when given) gets htmlBaseURL().
[[nodiscard]] QStringList filteredHtmlLinksContaining(const QString& html, const QString& containing,
                                                      bool useRelNoFollow, URL* baseURL);
// Every link (filteredHtmlLinksContaining without a filter).
[[nodiscard]] QStringList htmlLinksBaseURL(const QString& html, URL* baseURL);

// --- text ----------------------------------------------------------------------------------
// The visible text of the HTML: scripts, styles and comments left out.
// `removeDiacritics` folds letters to their base letters; `reformat` lays
// the text out as a browser would (white space collapsed, a line per block,
// a blank line after paragraphs and headings) instead of joining the text
// nodes as written; `bodyOnly` leaves out the head (the title); with
// `appendLinks` each link's address follows its text in angle brackets.
//   "<p>a  b</p><p>c <a href='x:y'>d</a></p>", false, true, true, true => "a b\n\nc d <x:y>"
[[nodiscard]] QString stringByConvertingHTMLToPlainText(const QString& html, bool removeDiacritics, bool reformat,
                                                        bool bodyOnly, bool appendLinks);

} // namespace sorvant
