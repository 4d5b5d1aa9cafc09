#pragma once
// Helpers of the text tests. GoogleTest prints a QString as a list of units,
// and a PrintTo overload cannot be confined to one test file (the printer
// template is instantiated once for the whole executable), so tables compare
// UTF-8 copies, which print as text.

#include <QString>

#include <string>

namespace sorvant::test {

// The UTF-8 form of `string`; a null string is marked so that it never equals
// the empty one: utf8(QString()) => "<null>", utf8("") => "".
inline std::string utf8(const QString& string)
{
    return string.isNull() ? std::string("<null>") : string.toStdString();
}

// Whether `result` is `receiver` itself (the same storage), not an equal copy.
inline bool isSameString(const QString& result, const QString& receiver)
{
    return result.isSharedWith(receiver)
           || (result.constData() == receiver.constData() && result.size() == receiver.size());
}

} // namespace sorvant::test
