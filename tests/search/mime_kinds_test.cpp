// The cache reader against QMimeDatabase itself, which reads the same
// database by the same rules: every case where a name's lists and a file's
// contents decide, alone or against each other.

#include "search/mime_kinds.h"

#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMimeDatabase>

#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

const QByteArray kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
const QByteArray kElf("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0\x3e\0", 20);
const QByteArray kPdf("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
const QByteArray kGzip("\x1f\x8b\x08\0\0\0\0\0\0\x03", 10);

TEST(MimeKinds, AnswersAsTheMimeDatabaseDoes)
{
    test::TempTree tree;
    const struct
    {
        const char* name;
        QByteArray contents;
    } files[] = {
        {"notes.txt", "plain words\n"},                 // a suffix
        {"NOTES.TXT", "plain words\n"},                 // the suffix in another case
        {"Makefile", "all:\n\ttrue\n"},                 // a literal
        {"makefile", "all:\n"},                         // the literal in another case
        {"README.md", "# title\n"},                     // a glob and a suffix
        {"READMEfirst", "read me\n"},                   // a glob alone
        {"archive.tar.gz", kGzip},                      // the longest suffix wins
        {"archive.gz", kGzip},
        {"picture.png", kPng},                          // name and contents agree
        {"picture.txt", kPng},                          // they disagree
        {"picture", kPng},                              // contents alone
        {"program", kElf},                              // contents alone, masked rules
        {"document.pdf", kPdf},
        {"document.ai", kPdf},                          // a suffix shared by two types
        {"unknown.zzz9", "just text\n"},                // nothing by name: text
        {"unknown.zzz8", QByteArray("\x01\x02\x03\x00\xff", 5)}, // nothing by name: bytes
        {"empty.zzz7", ""},                             // nothing at all
        {"empty.txt", ""},
        {"script", "#!/bin/sh\necho\n"},
        {"page.html", "<html><body>x</body></html>"},
        {"page", "<!DOCTYPE html>\n<html>"},
        {"core.C", "int main() {}\n"},                  // a case-sensitive suffix
        {"core.c", "int main() {}\n"},
        {"\xc3\x9c" "BER.TXT", "text\n"},              // a name that is not ASCII
        {"wide.txt", QByteArray("\xff\xfe" "a\0b\0", 6)},
    };
    for (const auto& file : files)
        tree.writeFile(QString::fromUtf8(file.name), file.contents);
    tree.makeDir(QStringLiteral("folder.app"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(tree.filePath(QStringLiteral("pipe.txt"))).constData(), 0600), 0);
    ASSERT_EQ(::symlink("picture", QFile::encodeName(tree.filePath(QStringLiteral("link.txt"))).constData()), 0);
    ASSERT_EQ(::symlink("missing", QFile::encodeName(tree.filePath(QStringLiteral("dangling.txt"))).constData()), 0);

    QStringList names;
    for (const auto& file : files)
        names.append(QString::fromUtf8(file.name));
    names << "folder.app" << "pipe.txt" << "link.txt" << "dangling.txt";
    const QMimeDatabase database;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString path = tree.filePath(name);
        const QString type = mimeTypeNameOfFile(QFile::encodeName(path));
        if (type.isNull())
            GTEST_SKIP() << "no single MIME cache here: QMimeDatabase answers";
        EXPECT_EQ(type, database.mimeTypeForFile(path).name());
        EXPECT_EQ(mimeKindOfFile(path), database.mimeTypeForFile(path).comment());
    }
    EXPECT_TRUE(mimeTypeNameOfFile(QByteArray()).isNull());
}

} // namespace
} // namespace sorvant
