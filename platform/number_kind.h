#pragma once
// Which kind of C number a QVariant holds: the one classification of number
// types for the value conversions and the property-list writer. A Boolean
// counts as a signed number, as the system's numbers do.
//   QVariant(int(3)) => Signed    QVariant(quint64(3)) => Unsigned
//   QVariant(2.5f)   => Floating  QVariant(true)       => Signed
//   QVariant("3")    => None      QVariant()           => None

#include <QMetaType>
#include <QVariant>

namespace sorvant {

enum class NumberKind { None, Signed, Unsigned, Floating };

// The kind of number `value` holds; None for anything that is no number.
[[nodiscard]] inline NumberKind numberKind(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return NumberKind::Signed;
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return NumberKind::Unsigned;
    case QMetaType::Float:
    case QMetaType::Double:
        return NumberKind::Floating;
    default:
        return NumberKind::None;
    }
}

} // namespace sorvant
