// What the search window says when an action fails: each message names
// what failed and why, in the user's language.

#include "app/failure_messages.h"

#include "interface/strings_file.h"
#include "platform/file_error.h"
#include "platform/regular_expression.h"
#include "system/deletion_questions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <functional>

namespace sorvant {
namespace {

// What a message says of `items`, in English and in German.
struct SaidOfItems
{
    const char* name;
    QList<ItemLeft> items;
    QString english;
    QString german;
};

// Expects `say` to say each case's text in each language.
template <std::size_t N>
void expectSaidInBoth(const SaidOfItems (&cases)[N], const std::function<QString(const QList<ItemLeft>&)>& say)
{
    for (const SaidOfItems& c : cases) {
        SCOPED_TRACE(c.name);
        setPreferredLanguages({QStringLiteral("en")});
        EXPECT_EQ(say(c.items), c.english);
        setPreferredLanguages({QStringLiteral("de")});
        EXPECT_EQ(say(c.items), c.german);
    }
    setPreferredLanguages({});
}

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
    EXPECT_EQ(deletionFailure({{QStringLiteral("/ro/locked.txt"), EACCES}}).text,
              QStringLiteral("“locked.txt” could not be deleted: ") + localizedErrorMessage(EACCES) + u'.');
    EXPECT_EQ(deletionFailure({{QStringLiteral("/ro/x")}, {QStringLiteral("/ro/y")}, {QStringLiteral("/ro/z")}}).text,
              QStringLiteral("“x” and 2 more could not be deleted."));
    EXPECT_TRUE(deletionFailure({}).isNull());

    // In German.
    setPreferredLanguages({QStringLiteral("de")});
    EXPECT_EQ(invalidPatternFailure(QStringLiteral("("), QStringLiteral("e")).title,
              QStringLiteral("Ungültiger regulärer Ausdruck"));
    EXPECT_FALSE(RegularExpression::compile(QStringLiteral("a{2,1}"), 0, &error).isValid());
    EXPECT_EQ(invalidPatternFailure(QStringLiteral("a{2,1}"), error).text,
              QStringLiteral("„a{2,1}“ ist kein gültiger regulärer Ausdruck (das Maximum einer Wiederholung ist "
                             "kleiner als ihr Minimum bei Zeichen 6). Es wurde nichts gesucht."));
    EXPECT_EQ(deletionFailure({{QStringLiteral("/a")}, {QStringLiteral("/b")}}).text,
              QStringLiteral("„a“ und 1 weitere konnten nicht gelöscht werden."));
    setPreferredLanguages({});
}

// Regression: of several items left, the sheet named the first with the
// last failure's reason ("“zza_imm” and 1 more could not be deleted: “m” is
// a mount point …", though zza_imm was left for its immutable file). Each
// reason is said with an item left for it, the others left for it counted;
// the mount point named is the one inside that item.
TEST(FailureMessages, EachItemLeftIsSaidWithItsOwnReason)
{
    installStringsTables();
    const QString perm = localizedErrorMessage(EPERM);
    const QString access = localizedErrorMessage(EACCES);
    const SaidOfItems cases[] = {
        {"one, a mount point",
         {{"/d/zzfolder", EBUSY, "/d/zzfolder/m"}},
         "“zzfolder” could not be deleted: “m” is a mount point and was left as it is.",
         "„zzfolder“ konnte nicht gelöscht werden: „m“ ist ein Einhängepunkt und wurde belassen."},
        {"one, refused",
         {{"/d/zza_imm", EPERM}},
         "“zza_imm” could not be deleted: " + perm + ".",
         "„zza_imm“ konnte nicht gelöscht werden: " + perm + "."},
        {"two, each its reason",
         {{"/d/zza_imm", EPERM}, {"/d/zzfolder", EBUSY, "/d/zzfolder/m"}},
         "“zza_imm” could not be deleted: " + perm
             + ". “zzfolder” could not be deleted: “m” is a mount point and was left as it is.",
         "„zza_imm“ konnte nicht gelöscht werden: " + perm
             + ". „zzfolder“ konnte nicht gelöscht werden: „m“ ist ein Einhängepunkt und wurde belassen."},
        {"the mount point last, in the first item's place",
         {{"/d/zzfolder", EBUSY, "/d/zzfolder/m"}, {"/d/zza_imm", EPERM}},
         "“zzfolder” could not be deleted: “m” is a mount point and was left as it is. “zza_imm” could not be "
         "deleted: " + perm + ".",
         "„zzfolder“ konnte nicht gelöscht werden: „m“ ist ein Einhängepunkt und wurde belassen. „zza_imm“ konnte "
         "nicht gelöscht werden: " + perm + "."},
        {"several for one reason, one for another",
         {{"/d/a", EACCES}, {"/d/b", EBUSY, "/d/b/disk"}, {"/d/c", EACCES}, {"/d/e", EACCES}},
         "“a” and 2 more could not be deleted: " + access
             + ". “b” could not be deleted: “disk” is a mount point and was left as it is.",
         "„a“ und 2 weitere konnten nicht gelöscht werden: " + access
             + ". „b“ konnte nicht gelöscht werden: „disk“ ist ein Einhängepunkt und wurde belassen."},
        {"an unknown reason apart from known ones",
         {{"/d/a"}, {"/d/b", EACCES}, {"/d/c"}},
         "“a” and 1 more could not be deleted. “b” could not be deleted: " + access + ".",
         "„a“ und 1 weitere konnten nicht gelöscht werden. „b“ konnte nicht gelöscht werden: " + access + "."},
        {"more reasons than a sheet says",
         {{"/d/a", EACCES}, {"/d/b", EPERM}, {"/d/c", EBUSY, "/d/c/m"}, {"/d/e", EROFS}, {"/d/f", EACCES},
          {"/d/g", EROFS}},
         "“a” and 1 more could not be deleted: " + access + ". “b” could not be deleted: " + perm
             + ". “c” could not be deleted: “m” is a mount point and was left as it is. 2 more could not be deleted "
               "for other reasons.",
         "„a“ und 1 weitere konnten nicht gelöscht werden: " + access + ". „b“ konnte nicht gelöscht werden: " + perm
             + ". „c“ konnte nicht gelöscht werden: „m“ ist ein Einhängepunkt und wurde belassen. 2 weitere konnten "
               "aus anderen Gründen nicht gelöscht werden."},
        {"one more for a fourth reason",
         {{"/d/a", EACCES}, {"/d/b", EPERM}, {"/d/c"}, {"/d/e", EROFS}},
         "“a” could not be deleted: " + access + ". “b” could not be deleted: " + perm
             + ". “c” could not be deleted. 1 more could not be deleted for another reason.",
         "„a“ konnte nicht gelöscht werden: " + access + ". „b“ konnte nicht gelöscht werden: " + perm
             + ". „c“ konnte nicht gelöscht werden. 1 weiteres konnte aus einem anderen Grund nicht gelöscht werden."},
    };
    expectSaidInBoth(cases, [](const QList<ItemLeft>& items) { return deletionFailure(items).text; });
    setPreferredLanguages({QStringLiteral("de")});
    EXPECT_EQ(deletionFailure(cases[0].items).title, QStringLiteral("Löschen nicht möglich"));
    setPreferredLanguages({});
}

// Regression: a Trash that refused items for several reasons asked about
// all with the first one's. Items refused for one reason are asked about as
// before, by name with the reason once; for several, each reason is said
// with an item refused for it, as a failed deletion says them.
TEST(FailureMessages, TheTrashRefusalSaysEachItemsOwnReasonRegression)
{
    installStringsTables();
    const QString perm = localizedErrorMessage(EPERM);
    const QString cross = localizedErrorMessage(EXDEV);
    const QString access = localizedErrorMessage(EACCES);
    const SaidOfItems cases[] = {
        {"one, refused",
         {{"/d/x", EPERM}},
         "“x” can't be moved to the Trash (" + perm + "). Do you want to delete it immediately? This can't be undone.",
         "„x“ kann nicht in den Papierkorb gelegt werden (" + perm
             + "). Möchten Sie es sofort löschen? Dies kann nicht widerrufen werden."},
        {"two reasons",
         {{"/d/x", EPERM}, {"/d/y", EXDEV}, {"/d/z", EPERM}},
         "“x” and 1 more can't be moved to the Trash: " + perm + ". “y” can't be moved to the Trash: " + cross
             + ". Do you want to delete these 3 items immediately? This can't be undone.",
         "„x“ und 1 weitere können nicht in den Papierkorb gelegt werden: " + perm
             + ". „y“ kann nicht in den Papierkorb gelegt werden: " + cross
             + ". Möchten Sie diese 3 Objekte sofort löschen? Dies kann nicht widerrufen werden."},
        {"an unknown reason apart from a known one",
         {{"/d/a"}, {"/d/b", EPERM}, {"/d/c"}},
         "“a” and 1 more can't be moved to the Trash. “b” can't be moved to the Trash: " + perm
             + ". Do you want to delete these 3 items immediately? This can't be undone.",
         "„a“ und 1 weitere können nicht in den Papierkorb gelegt werden. „b“ kann nicht in den Papierkorb gelegt "
         "werden: " + perm + ". Möchten Sie diese 3 Objekte sofort löschen? Dies kann nicht widerrufen werden."},
        {"two more for other reasons",
         {{"/d/a", EACCES}, {"/d/b", EPERM}, {"/d/c", EXDEV}, {"/d/e", EROFS}, {"/d/f", ENOSPC}},
         "“a” can't be moved to the Trash: " + access + ". “b” can't be moved to the Trash: " + perm
             + ". “c” can't be moved to the Trash: " + cross
             + ". 2 more can't be moved to the Trash for other reasons. Do you want to delete these 5 items "
               "immediately? This can't be undone.",
         "„a“ kann nicht in den Papierkorb gelegt werden: " + access + ". „b“ kann nicht in den Papierkorb gelegt "
         "werden: " + perm + ". „c“ kann nicht in den Papierkorb gelegt werden: " + cross
             + ". 2 weitere können aus anderen Gründen nicht in den Papierkorb gelegt werden. Möchten Sie diese 5 "
               "Objekte sofort löschen? Dies kann nicht widerrufen werden."},
    };
    expectSaidInBoth(cases, trashRefusalQuestion);
    EXPECT_TRUE(trashRefusalQuestion({}).isEmpty());
    setPreferredLanguages({});
}

TEST(FailureMessages, PercentOneInANameGarblesTheDeletionSheetRegression)
{
    installStringsTables();
    setPreferredLanguages({QStringLiteral("en")});
    // A name is text, never a place for the next argument.
    const QStringList paths = {QStringLiteral("/d/100%1 %2.txt"), QStringLiteral("/d/b"), QStringLiteral("/d/c")};
    const auto left = [&paths](int error) {
        QList<ItemLeft> items;
        for (const QString& path : paths)
            items.append({path, error, {}});
        return items;
    };
    EXPECT_EQ(deletionFailure(left(0)).text, QStringLiteral("“100%1 %2.txt” and 2 more could not be deleted."));
    EXPECT_EQ(deletionFailure(left(EACCES)).text,
              QStringLiteral("“100%1 %2.txt” and 2 more could not be deleted: ") + localizedErrorMessage(EACCES) + u'.');
    EXPECT_EQ(deletionFailure({{QStringLiteral("/d/%1"), EACCES}}).text,
              QStringLiteral("“%1” could not be deleted: ") + localizedErrorMessage(EACCES) + u'.');
    EXPECT_EQ(deletionFailure({{QStringLiteral("/d/x"), EBUSY, QStringLiteral("/d/x/%1")}}).text,
              QStringLiteral("“x” could not be deleted: “%1” is a mount point and was left as it is."));
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
    EXPECT_TRUE(deletionFailure({{path}}).text.startsWith(shown));
    EXPECT_TRUE(invalidPatternFailure(QStringLiteral("a("), QStringLiteral("e")).text.startsWith(u"„a(“"));
    setPreferredLanguages({});
}

// Regression: the pseudo file system's sheet put the path in its sentence
// as it came: a U+202E reversed the rest of the sentence and a line end
// broke it. The path is marked and isolated as every other sheet's name.
TEST(FailureMessages, APseudoFileSystemPathIsMarkedAndIsolatedRegression)
{
    installStringsTables();
    const SaidOfItems cases[] = {
        {"a right-to-left override",
         {{QStringLiteral("/proc/ev\u202Etxt.exe")}},
         QStringLiteral("“\u2068/proc/ev\u21C4txt.exe\u2069” is on a “proc” pseudo file system, which the kernel "
                        "fills and which is not searched."),
         QStringLiteral("„\u2068/proc/ev\u21C4txt.exe\u2069“ liegt auf einem Pseudo-Dateisystem „proc“, das der "
                        "Kernel füllt und das nicht durchsucht wird.")},
        {"a line end",
         {{QStringLiteral("/proc/two\nlines")}},
         QStringLiteral("“/proc/two\u21B5lines” is on a “proc” pseudo file system, which the kernel fills and "
                        "which is not searched."),
         QStringLiteral("„/proc/two\u21B5lines“ liegt auf einem Pseudo-Dateisystem „proc“, das der Kernel füllt "
                        "und das nicht durchsucht wird.")},
    };
    expectSaidInBoth(cases, [](const QList<ItemLeft>& items) {
        return kernelFileSystemFailure(items.constFirst().path, QStringLiteral("proc")).text;
    });
}

} // namespace
} // namespace sorvant
