#pragma once
// Reading a string's UTF-16 units in place, and the empty string that is not
// nil. Text functions call these instead of casting `constData()` themselves.
//   unitsOf(QString())      => a valid pointer to no units (never null)
//   unitsOf(QStringView())  => nullptr (a null view has no storage)
//   emptyString()           => "" (isNull() is false)

#include "foundation/chars_table.h"

#include <QLatin1String>
#include <QString>
#include <QStringView>

namespace sorvant {

// The units of `string`, read in place. A null QString answers its shared
// empty buffer, so the pointer can be handed to functions that reject null.
[[nodiscard]] inline const unichar* unitsOf(const QString& string)
{
    return reinterpret_cast<const unichar*>(string.constData());
}

// The units of a view, read in place; nullptr for a null view.
[[nodiscard]] inline const unichar* unitsOf(QStringView string)
{
    return string.utf16();
}

// "", as a string that is empty but not nil.
[[nodiscard]] inline QString emptyString()
{
    return QString(QLatin1String(""));
}

} // namespace sorvant
