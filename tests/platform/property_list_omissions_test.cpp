#include "platform/property_list.h"
#include "platform/property_list_omissions.h"

#include <gtest/gtest.h>

using namespace sorvant;

namespace {

// `count` entries whose text holds a reference to NUL, after one kept.
QByteArray settingsLeavingOut(int count, const QByteArray& key = "k")
{
    QByteArray body = "<key>Kept</key><true/>";
    for (int i = 0; i < count; ++i)
        body += "<key>" + key + QByteArray::number(i) + "</key><string>&#0;</string>";
    return "<plist><dict>" + body + "</dict></plist>";
}

// What is left out is said in one line however much it is: the count, and
// the first few entries named, each path cut to a bounded length.
TEST(PropertyListOmissionsTest, WhatIsLeftOutIsSaidInOneBoundedLine)
{
    const QString nul = QStringLiteral("The text holds a NUL character");
    const QByteArray megabyteKey(1024 * 1024, 'm');
    const struct {
        const char* name;
        QByteArray data;
        qint64 count;
        QString starts;
        qsizetype named;
    } cases[] = {
        {"nothing", settingsLeavingOut(0), 0, QString(), 0},
        {"one entry", settingsLeavingOut(1), 1, "'k0': " + nul, 1},
        {"three entries", settingsLeavingOut(3), 3, "3 entries: 'k0': " + nul + "; 'k1': " + nul + "; 'k2'", 3},
        {"two thousand entries", settingsLeavingOut(2000), 2000, "2000 entries, the first 5: 'k0': " + nul,
         PropertyListOmissions::kNamed},
        {"a key of a megabyte", settingsLeavingOut(1, megabyteKey), 1, "'mmm", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PropertyListOmissions leftOut;
        QString error;
        const QVariantMap read = propertyListFromDataLeavingOut(c.data, &leftOut, &error).toMap();
        EXPECT_EQ(read, (QVariantMap{{"Kept", true}})) << error.toStdString();
        EXPECT_EQ(leftOut.count(), c.count);
        EXPECT_EQ(leftOut.isEmpty(), c.count == 0);
        EXPECT_EQ(leftOut.named().size(), c.named);
        const QString summary = leftOut.summary();
        EXPECT_TRUE(summary.startsWith(c.starts)) << summary.left(300).toStdString();
        EXPECT_LE(summary.size(), PropertyListOmissions::kNamed * (PropertyListOmissions::kLongestPath + 80));
    }
}

} // namespace
