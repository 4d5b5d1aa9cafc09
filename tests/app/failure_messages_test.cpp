// What the search window says when an action fails: each message names
// what failed and why, in the user's language.

#include "app/failure_messages.h"

#include "interface/strings_file.h"
#include "platform/regular_expression.h"
#include "system/deletion_questions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace sorvant {
namespace {

TEST(FailureMessages, FailuresSayNothingRegression)
{
    installStringsTables();
    setPreferredLanguages({QStringLiteral("en")});
    // The pattern's error as the engine gives it: a phrase, not ICU's constant.
    QString error;
    EXPECT_FALSE(RegularExpression::compile(QStringLiteral("file-(["), 0, &error).isValid());
    const Failure pattern = invalidPatternFailure(QStringLiteral("file-(["), error);
    EXPECT_EQ(pattern.title, QStringLiteral("Invalid Regular Expression"));
    EXPECT_EQ(pattern.text, QStringLiteral("“file-([” is not a valid regular expression "
                                           "(a bracket [ is not closed at character 7). Nothing was searched."));
    EXPECT_TRUE(noApplicationFailure(QStringLiteral("/data/scan.xyz")).text.contains(QStringLiteral("“scan.xyz”")));
    EXPECT_TRUE(noFileManagerFailure(QStringLiteral("/data/report.txt")).text.contains(QStringLiteral("“report.txt”")));
    EXPECT_FALSE(noBrowserFailure().text.isEmpty());
    EXPECT_FALSE(activeFileManagerFailure().text.isEmpty());

    // Deletion names the first item, counts the rest and gives the reason.
    EXPECT_EQ(deletionFailure({QStringLiteral("/ro/locked.txt")}, EACCES).text,
              QStringLiteral("“locked.txt” could not be deleted: ") + QString::fromLocal8Bit(std::strerror(EACCES)) + u'.');
    EXPECT_EQ(deletionFailure({QStringLiteral("/ro/x"), QStringLiteral("/ro/y"), QStringLiteral("/ro/z")}, 0).text,
              QStringLiteral("“x” and 2 more could not be deleted."));
    EXPECT_TRUE(deletionFailure({}, EACCES).isNull());
    // A mount point left inside is named instead of its "busy".
    EXPECT_EQ(deletionFailure({QStringLiteral("/d/top")}, EBUSY, QStringLiteral("/d/top/disk")).text,
              QStringLiteral("“top” could not be deleted: “disk” is a mount point and was left as it is."));

    // In German.
    setPreferredLanguages({QStringLiteral("de")});
    EXPECT_EQ(invalidPatternFailure(QStringLiteral("("), QStringLiteral("e")).title,
              QStringLiteral("Ungültiger regulärer Ausdruck"));
    EXPECT_FALSE(RegularExpression::compile(QStringLiteral("a{2,1}"), 0, &error).isValid());
    EXPECT_EQ(invalidPatternFailure(QStringLiteral("a{2,1}"), error).text,
              QStringLiteral("„a{2,1}“ ist kein gültiger regulärer Ausdruck (das Maximum einer Wiederholung ist "
                             "kleiner als ihr Minimum bei Zeichen 6). Es wurde nichts gesucht."));
    EXPECT_EQ(deletionFailure({QStringLiteral("/a"), QStringLiteral("/b")}, 0).text,
              QStringLiteral("„a“ und 1 weitere konnten nicht gelöscht werden."));
    EXPECT_EQ(deletionFailure({QStringLiteral("/a"), QStringLiteral("/b")}, EBUSY, QStringLiteral("/a/m")).text,
              QStringLiteral("„a“ und 1 weitere konnten nicht gelöscht werden: „m“ ist ein Einhängepunkt und wurde "
                             "belassen."));
    setPreferredLanguages({});
}

TEST(FailureMessages, PercentOneInANameGarblesTheDeletionSheetRegression)
{
    installStringsTables();
    setPreferredLanguages({QStringLiteral("en")});
    // A name is text, never a place for the next argument.
    const QStringList paths = {QStringLiteral("/d/100%1 %2.txt"), QStringLiteral("/d/b"), QStringLiteral("/d/c")};
    EXPECT_EQ(deletionFailure(paths, 0).text, QStringLiteral("“100%1 %2.txt” and 2 more could not be deleted."));
    EXPECT_EQ(deletionFailure(paths, EACCES).text, QStringLiteral("“100%1 %2.txt” and 2 more could not be deleted: ")
                                                       + QString::fromLocal8Bit(std::strerror(EACCES)) + u'.');
    EXPECT_EQ(deletionFailure({QStringLiteral("/d/%1")}, EACCES).text,
              QStringLiteral("“%1” could not be deleted: ") + QString::fromLocal8Bit(std::strerror(EACCES)) + u'.');
    setPreferredLanguages({});
}

TEST(FailureMessages, NamesAreQuotedAndShownAsTheDeletionQuestionsShowThem)
{
    // The sheets quoted by a pattern of their own; a newline in a name broke
    // the sentence. They show it as the table does (↵).
    installStringsTables();
    setPreferredLanguages({QStringLiteral("de")});
    const QString path = QStringLiteral("/d/zwei\nZeilen.txt");
    const QString shown = QStringLiteral("„zwei\u21B5Zeilen.txt“");
    EXPECT_EQ(itemNamesForQuestion({path}), shown);
    EXPECT_TRUE(noApplicationFailure(path).text.contains(shown));
    EXPECT_TRUE(noFileManagerFailure(path).text.contains(shown));
    EXPECT_TRUE(deletionFailure({path}, 0).text.startsWith(shown));
    EXPECT_TRUE(invalidPatternFailure(QStringLiteral("a("), QStringLiteral("e")).text.startsWith(u"„a(“"));
    setPreferredLanguages({});
}

} // namespace
} // namespace sorvant
