#pragma once
// Shared MIME database folders of made-up types, built from a package by
// update-mime-database as a desktop builds the user's and the system's.

#include "platform/task.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStandardPaths>
#include <QString>

namespace sorvant::test {

constexpr char kPackageHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";

// One type of a package, with its comment (none when null) and rules.
inline QString type(const char* name, const char* comment, const char* rules)
{
    const QString commentElement =
        comment ? QStringLiteral("<comment>%1</comment>").arg(QString::fromUtf8(comment)) : QString();
    return QStringLiteral("<mime-type type=\"%1\">%2%3</mime-type>\n")
        .arg(QLatin1StringView(name), commentElement, QString::fromUtf8(rules));
}

// Writes `types` as the package of the database folder `relative` of
// `tree` and builds its cache.
inline QString buildMimeFolder(TempTree& tree, const QString& relative, const QString& types)
{
    const QString folder = tree.makeDir(relative);
    tree.writeFile(relative + QStringLiteral("/packages/made.xml"),
                   (QLatin1StringView(kPackageHead) + types + QStringLiteral("</mime-info>\n")).toUtf8());
    // Through Task (posix_spawn), never QProcess, whose child shares this
    // process's memory until it executes: the platform suite runs whole
    // under ThreadSanitizer, whose view of the threads that breaks.
    Task update(QStandardPaths::findExecutable(QStringLiteral("update-mime-database")), {folder});
    update.setTimeoutMilliseconds(60'000);
    EXPECT_TRUE(update.launchAndSleepUntilExit()) << "update-mime-database (shared-mime-info) failed";
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/mime.cache")));
    return folder;
}

} // namespace sorvant::test
