// Writes a ".DS_Store" file with Finder comments, for building test trees.
//
//   ds-store-write FOLDER [NAME COMMENT]...    comments from the arguments
//   ds-store-write FOLDER -                    "NAME<TAB>COMMENT" lines on stdin
//   ds-store-write -o FILE ...                 write FILE instead of FOLDER/.DS_Store
//   ds-store-write -n N ...                    at most N records per tree node (default 64)
//
// Names and comments are UTF-8. Exit status 0 on success, 1 when the file
// cannot be written, 2 on a usage error.
#include "tests/support/ds_store_writer.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int usage()
{
    std::fputs("usage: ds-store-write FOLDER [NAME COMMENT]...\n"
               "       ds-store-write FOLDER -   (NAME<TAB>COMMENT lines on stdin)\n"
               "       ds-store-write -o FILE [NAME COMMENT]... | -\n"
               "options: -n N  at most N records per tree node (default 64, at least 2)\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0)
        return usage();
    int at = 1;
    int perNode = 64;
    if (std::strcmp(argv[1], "-n") == 0) {
        if (argc < 4 || std::atoi(argv[2]) < 2)
            return usage();
        perNode = std::atoi(argv[2]);
        argv += 2;
        argc -= 2;
    }
    QString output;
    if (std::strcmp(argv[1], "-o") == 0) {
        if (argc < 3)
            return usage();
        output = QString::fromUtf8(argv[2]);
        at = 3;
    } else {
        output = QString::fromUtf8(argv[1]) + QStringLiteral("/.DS_Store");
        at = 2;
    }
    QList<sorvant::test::DSStoreRecord> records;
    if (at < argc && std::strcmp(argv[at], "-") == 0) {
        QTextStream input(stdin);
        QString line;
        while (input.readLineInto(&line)) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'));
            if (tab > 0)
                records.append(sorvant::test::DSStoreRecord::comment(line.left(tab), line.mid(tab + 1)));
        }
    } else {
        if ((argc - at) % 2 != 0)
            return usage();
        for (; at + 1 < argc; at += 2)
            records.append(sorvant::test::DSStoreRecord::comment(QString::fromUtf8(argv[at]),
                                                                 QString::fromUtf8(argv[at + 1])));
    }
    QFile file(output);
    const QByteArray bytes = sorvant::test::dsStoreBytes(records, perNode);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "ds-store-write: cannot write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
