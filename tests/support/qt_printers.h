#pragma once
// Lets GoogleTest print QString and QStringList values as text in failure
// messages instead of as rows of bytes. Found by argument-dependent lookup.

#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& string, std::ostream* out)
{
    *out << '"' << string.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{';
    for (qsizetype index = 0; index < list.size(); ++index)
        *out << (index ? ", \"" : "\"") << list.at(index).toStdString() << '"';
    *out << '}';
}
