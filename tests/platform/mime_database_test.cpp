// The merged database of a user's and a system's folder, built by
// update-mime-database: caches of other format versions and type files
// that say less than the others.

#include "platform/mime_database.h"

#include "tests/support/log_capture.h"
#include "tests/support/mime_folders.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLocale>

namespace sorvant {
namespace {

using test::buildMimeFolder;
using test::type;

const QByteArray kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

// The system's pictures and Markdown, with a German comment.
QString systemTypes()
{
    return type("image/png", "PNG image",
                "<glob pattern=\"*.png\"/><magic priority=\"50\"><match type=\"string\" offset=\"0\" "
                "value=\"\\x89PNG\"/></magic>")
           + type("text/markdown", "Markdown document",
                  "<comment xml:lang=\"de\">Markdown-Dokument</comment><sub-class-of type=\"text/plain\"/>"
                  "<glob pattern=\"*.md\"/>");
}

// Sets the version at the start of a folder's cache.
void setCacheVersion(const QString& folder, quint8 major, quint8 minor)
{
    QFile cache(folder + QStringLiteral("/mime.cache"));
    ASSERT_TRUE(cache.open(QIODevice::ReadWrite));
    const char version[] = {'\0', char(major), '\0', char(minor)};
    ASSERT_EQ(cache.write(version, sizeof version), 4);
}

TEST(MimeDatabase, ACacheOfANewerMinorVersionIsReadAndNamedOnce)
{
    const struct
    {
        const char* name;
        quint8 major;
        quint8 minor;
        bool user;   // the user's cache is of that version
        bool system; // the system's is
        bool read;
    } cases[] = {
        {"user 1.3", 1, 3, true, false, true},
        {"system 1.3", 1, 3, false, true, true},
        {"both 1.7", 1, 7, true, true, true},
        {"user 1.0", 1, 0, true, false, false}, // the first layout's entries are shorter
        {"user 2.2", 2, 2, true, false, false}, // another major version
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        test::TempTree tree;
        // The user adds a pattern to the system's Markdown.
        const QString user = buildMimeFolder(tree, QStringLiteral("home/mime"),
                                             type("text/markdown", nullptr, "<glob pattern=\"*.mdx\"/>"));
        const QString system = buildMimeFolder(tree, QStringLiteral("system/mime"), systemTypes());
        ASSERT_FALSE(testing::Test::HasFailure());
        if (entry.user)
            setCacheVersion(user, entry.major, entry.minor);
        if (entry.system)
            setCacheVersion(system, entry.major, entry.minor);
        const struct
        {
            const char* name;
            QByteArray contents;
            const char* type;
            const char* kind;
        } files[] = {
            {"a.png", kPng, "image/png", "PNG image"},
            {"a.md", "# notes\n", "text/markdown", "Markdown document"},
            {"a.mdx", "# notes\n", entry.read || !entry.user ? "text/markdown" : "text/plain",
             entry.read || !entry.user ? "Markdown document" : "text/plain"},
        };
        test::LogCapture log;
        const MimeTypeReader reader({user, system}, std::chrono::milliseconds(0));
        for (int round = 0; round < 2; ++round) {
            for (const auto& file : files) {
                SCOPED_TRACE(file.name);
                const QString answer =
                    reader.typeNameOfFile(QFile::encodeName(tree.writeFile(QString::fromUtf8(file.name), file.contents)));
                EXPECT_EQ(answer, QLatin1StringView(file.type));
                EXPECT_EQ(reader.commentOfType(answer), QString::fromUtf8(file.kind));
            }
        }
        EXPECT_EQ(reader.hasDamagedCache(), !entry.read);
        // One line a cache, however often the folders are looked at.
        ASSERT_EQ(log.lines().size(), int(entry.user) + int(entry.system)) << log.lines().join(u'\n').toStdString();
        for (const QString& line : log.lines())
            EXPECT_TRUE(line.startsWith(QStringLiteral("WARNING: "))) << line.toStdString();
        if (entry.read) {
            EXPECT_TRUE(log.lines().first().contains(QStringLiteral("1.%1").arg(entry.minor)));
        }
    }
}

TEST(MimeDatabase, ACommentAFolderLacksComesFromTheNextFolder)
{
    test::TempTree tree;
    const QString system = buildMimeFolder(tree, QStringLiteral("system/mime"), systemTypes());
    const struct
    {
        const char* name;
        const char* comment;   // the user's default comment
        const char* rules;     // the user's other elements
        const char* english;   // the comment in English
        const char* german;    // in German
    } cases[] = {
        // A pattern added, nothing said: the system's comments stay.
        {"none", nullptr, "<glob pattern=\"*.mdx\"/>", "Markdown document", "Markdown-Dokument"},
        // The user's comment without a language, the system's German.
        {"default", "My notes", "", "My notes", "Markdown-Dokument"},
        // A German one alone: English from the system.
        {"german", nullptr, "<comment xml:lang=\"de\">Meine Notizen</comment>", "Markdown document", "Meine Notizen"},
    };
    const QLocale before;
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        const QString user = buildMimeFolder(tree, QStringLiteral("home-%1/mime").arg(QLatin1StringView(entry.name)),
                                             type("text/markdown", entry.comment, entry.rules));
        ASSERT_FALSE(testing::Test::HasFailure());
        const MimeTypeReader reader({user, system});
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(reader.commentOfType(QStringLiteral("text/markdown")), QString::fromUtf8(entry.english));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
        EXPECT_EQ(reader.commentOfType(QStringLiteral("text/markdown")), QString::fromUtf8(entry.german));
        EXPECT_TRUE(reader.knowsType(QStringLiteral("text/markdown")));
    }
    QLocale::setDefault(before);
}

} // namespace
} // namespace sorvant
