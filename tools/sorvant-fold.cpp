// sorvant-fold: shows how Sorvant's character tables see a text. Each
// argument (or each line of standard input) is printed folded through the
// lower, upper, diacritic-free and upper diacritic-free tables, so a user can
// check which spellings a case- or diacritic-insensitive search will match.

#include "foundation/chars_table.h"

#include <QString>
#include <QTextStream>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

QString folded(const QString& text, const sorvant::CharsTable* table)
{
    QString result = text;
    for (QChar& unit : result)
        unit = QChar(table[unit.unicode()]);
    return result;
}

void show(const QString& text)
{
    QTextStream out(stdout);
    out << "text:          " << text << '\n'
        << "lower:         " << folded(text, sorvant::getLowerCharsTable()) << '\n'
        << "upper:         " << folded(text, sorvant::getUpperCharsTable()) << '\n'
        << "no diacritics: " << folded(text, sorvant::getUmlautsCharsTable()) << '\n'
        << "upper, none:   " << folded(text, sorvant::getUpperUmlautsCharsTable()) << "\n\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help")) {
        std::puts("usage: sorvant-fold [TEXT...]\n"
                  "Prints each TEXT (or each line of standard input) folded through\n"
                  "Sorvant's case and diacritic tables.");
        return 0;
    }
    if (argc > 1) {
        for (int i = 1; i < argc; ++i)
            show(QString::fromLocal8Bit(argv[i]));
        return 0;
    }
    std::string line;
    while (std::getline(std::cin, line))
        show(QString::fromStdString(line));
    return 0;
}
