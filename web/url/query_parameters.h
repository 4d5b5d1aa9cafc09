#pragma once
// The name/value parameters of a query: finding, reading, rewriting,
// listing and counting them, on a URL's query, on link text (from its first
// "?") and on a bare query; and appending a parameter to link text.
//
// Syntax: a parameter begins at a letter or digit (anything else before it
// is skipped); its name runs to the next "=" (which does not stop at "&" or
// ";", so "a&b=1" is one parameter named "a&b"); its value runs to the next
// "&" or ";" or the end. Scanning ends when no "=" follows. Names compare
// exactly.

#include "platform/url.h"

#include <QString>
#include <QVariantMap>

namespace sorvant {

// --- workers (text, name, index to start at) -----------------------------------------------

// Whether a parameter of that name exists, empty value or not. False for a
// null text or name, an empty name, a name not shorter than the text, or a
// start outside the text.
//   ("a=1&b=", "b", 0) => true   ("a=1", "a=1", 0) => false
[[nodiscard]] bool findQueryParam(const QString& text, const QString& name, qsizetype start);

// Without a replacement (null): the value of the first parameter of that
// name with a non-empty value; null when none. With one: the text with
// that value replaced; the text unchanged when none.
//   ("a=1&b=2", "b", 0, null) => "2"   ("a=1&b=2", "b", 0, "x") => "a=1&b=x"
//   ("a=&b=2", "a", 0, "x") => "a=&b=2"
[[nodiscard]] QString rewriteQueryParam(const QString& text, const QString& name, qsizetype start,
                                        const QString& replacement);

// Every parameter with a non-empty name and value; a later one replaces an
// earlier one of the same name. Null (an invalid map) for a null text or a
// start outside it.   ("a=&b=2&b=3", 0) => {b: "3"}
[[nodiscard]] QVariantMap ParseQueryParams(const QString& text, qsizetype start);

// The number of parameters, those with empty values included.
//   ("a=&b=2", 0) => 2   (null, 0) => 0
[[nodiscard]] qsizetype CountQueryParams(const QString& text, qsizetype start);

// --- on a URL's query ----------------------------------------------------------------------

[[nodiscard]] bool containsQueryParamNamed(const URL& url, const QString& name);
[[nodiscard]] QString queryParamNamed(const URL& url, const QString& name);
// The rewritten query (not the whole URL); a null replacement counts as "".
[[nodiscard]] QString stringByReplacingQueryParamNamed(const URL& url, const QString& name, const QString& value);
[[nodiscard]] QVariantMap queryParams(const URL& url);
[[nodiscard]] qsizetype numberOfQueryParams(const URL& url);

// --- on link text --------------------------------------------------------------------------

// The text from the first "?" on, the "?" included; null without one.
//   "http://h/a?x=1" => "?x=1"   "http://h/a" => null
[[nodiscard]] QString query(const QString& text);
// The workers started at the first "?" (without one: false, null, null, 0,
// the text unchanged).
[[nodiscard]] bool containsQueryParamNamed(const QString& text, const QString& name);
[[nodiscard]] QString queryParamNamed(const QString& text, const QString& name);
[[nodiscard]] QVariantMap queryParams(const QString& text);
[[nodiscard]] qsizetype numberOfQueryParams(const QString& text);
[[nodiscard]] QString stringByReplacingQueryParamNamed(const QString& text, const QString& name, const QString& value);
// The workers started at index 0, for text that is a bare query.
[[nodiscard]] bool containsParamNamed(const QString& text, const QString& name);
[[nodiscard]] QString paramNamed(const QString& text, const QString& name);

// --- appending -----------------------------------------------------------------------------

// Appends "?name=value" when `string` holds no "?" yet, else "&name=value",
// the value escaped as a parameter (stringByAddingPercentEscapesToURLParameter);
// appends nothing when the name or the value is null or empty, or when the
// value cannot be escaped (an unpaired surrogate).
//   ("mailto:a@b.c", "subject", "Hi & bye") => "mailto:a@b.c?subject=Hi%20%26%20bye"
//   ("x?a=1", "b", "2")  => "x?a=1&b=2"
//   ("x", "", "2") => "x"   ("x", "b", null) => "x"
void appendParameter(QString& string, const QString& name, const QString& value);

} // namespace sorvant
