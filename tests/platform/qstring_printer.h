#pragma once
// Lets GoogleTest print QString and QStringList values as readable text in
// failure messages (found by argument-dependent lookup).

#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& string, std::ostream* out)
{
    *out << (string.isNull() ? std::string("(null)") : '"' + string.toStdString() + '"');
}

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}
