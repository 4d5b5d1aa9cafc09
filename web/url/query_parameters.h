#pragma once
// Query parameters of link text: appending a name and an escaped value.

#include <QString>

namespace sorvant {

// Appends "?name=value" when `string` holds no "?" yet, else "&name=value",
// the value escaped as a parameter (stringByAddingPercentEscapesToURLParameter);
// appends nothing when the name or the value is null or empty, or when the
// value cannot be escaped (an unpaired surrogate).
//   ("mailto:a@b.c", "subject", "Hi & bye") => "mailto:a@b.c?subject=Hi%20%26%20bye"
//   ("x?a=1", "b", "2")  => "x?a=1&b=2"
//   ("x", "", "2") => "x"   ("x", "b", null) => "x"
void appendParameter(QString& string, const QString& name, const QString& value);

} // namespace sorvant
