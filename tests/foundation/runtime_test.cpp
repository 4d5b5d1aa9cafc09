#include "foundation/runtime.h"

#include "foundation/unrecognized_selector.h"
#include "foundation/values.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QSize>
#include <QTimer>

namespace sorvant {
namespace {

class Folder : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name MEMBER m_name)
    Q_PROPERTY(QVariantList items MEMBER m_items)
    Q_PROPERTY(int size READ size)
public:
    int size() const { return 7; }
    Q_INVOKABLE void open() {}

    QString m_name = QStringLiteral("Documents");
    QVariantList m_items;
};

QVariant objectValue(QObject* object)
{
    return QVariant::fromValue(object);
}

TEST(Processor, CountsAreNeverZero)
{
    EXPECT_GE(numberOfCPUs(), 1);
    EXPECT_GE(numberOfAvailableCPUs(), 1);
    EXPECT_LE(numberOfAvailableCPUs(), numberOfCPUs());
    EXPECT_TRUE(numberOfBits() == 32 || numberOfBits() == 64);
    EXPECT_GE(numberOfBits(), static_cast<int>(sizeof(void*) * 8));
}

TEST(KeyValue, SafeAccessOfProperties)
{
    Folder folder;
    EXPECT_EQ(getSafeValueForKey(&folder, QStringLiteral("name")).toString(), QStringLiteral("Documents"));
    EXPECT_FALSE(getSafeValueForKey(&folder, QStringLiteral("missing")).isValid());
    EXPECT_FALSE(getSafeValueForKey(static_cast<QObject*>(nullptr), QStringLiteral("name")).isValid());
    EXPECT_TRUE(setSafeValue(&folder, QStringLiteral("Music"), QStringLiteral("name")));
    EXPECT_EQ(folder.m_name, QStringLiteral("Music"));
    EXPECT_FALSE(setSafeValue(&folder, 3, QStringLiteral("size")));       // read-only
    EXPECT_FALSE(setSafeValue(&folder, 3, QStringLiteral("undeclared"))); // no such key
    EXPECT_TRUE(folder.dynamicPropertyNames().isEmpty());
    EXPECT_FALSE(setSafeValue(&folder, 3, QString()));
    EXPECT_FALSE(setSafeValue(nullptr, 3, QStringLiteral("name")));
}

struct KeyPathCase
{
    const char* name;
    QString path;
    QVariant expected;
};
void PrintTo(const KeyPathCase& row, std::ostream* out) { test::printRowName(row, out); }

class KeyPathTest : public ::testing::TestWithParam<KeyPathCase>
{
protected:
    void SetUp() override
    {
        m_folder.m_items = {QStringLiteral("a"), QStringLiteral("b")};
        QVariantMap first{{"name", "first"}, {"tags", QStringList{"red"}}};
        QVariantMap second{{"name", "second"}, {"gone", nullValue()}};
        m_root = QVariantMap{
            {"folder", objectValue(&m_folder)},
            {"entries", QVariantList{first, second}},
            {"title", "root"},
            {"count", 2},
        };
    }

    Folder m_folder;
    QVariant m_root;
};

TEST_P(KeyPathTest, FollowsThePath)
{
    EXPECT_EQ(valueForKeyPathWithIndexes(m_root, GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, KeyPathTest,
    ::testing::Values(
        KeyPathCase{"PlainKey", "title", QStringLiteral("root")},
        KeyPathCase{"PropertyThroughObject", "folder.name", QStringLiteral("Documents")},
        KeyPathCase{"IndexIntoProperty", "folder.items[1]", QStringLiteral("b")},
        KeyPathCase{"IndexPastTheEnd", "folder.items[2]", QVariant()},
        KeyPathCase{"NegativeIndex", "folder.items[-1]", QVariant()},
        KeyPathCase{"IndexOfAString", "title[0]", QVariant()},
        KeyPathCase{"IndexThenKey", "entries[1].name", QStringLiteral("second")},
        KeyPathCase{"IndexWithSpaces", "entries[ 0 ].name", QStringLiteral("first")},
        KeyPathCase{"NullMarkerIsNothing", "entries[1].gone", QVariant()},
        KeyPathCase{"MissingOnTheWay", "nothing.name", QVariant()},
        KeyPathCase{"KeyOfAListMapsTheElements", "entries.name", QVariantList{"first", "second"}},
        KeyPathCase{"EmptyPath", "", QVariant()}),
    [](const ::testing::TestParamInfo<KeyPathCase>& row) { return std::string(row.param.name); });

TEST(KeyValue, StringValueOfAKeyPath)
{
    const QVariant root = QVariantMap{
        {"single", QVariantList{"only"}},
        {"pair", QVariantList{"a", "b"}},
        {"number", 4},
        {"items", QVariantList{QVariantMap{{"tags", QStringList{"red"}}}}},
    };
    EXPECT_EQ(stringValueForKeyPathWithIndexes(root, QStringLiteral("single")), QStringLiteral("only"));
    EXPECT_TRUE(stringValueForKeyPathWithIndexes(root, QStringLiteral("pair")).isNull());
    EXPECT_TRUE(stringValueForKeyPathWithIndexes(root, QStringLiteral("number")).isNull());
    EXPECT_EQ(stringValueForKeyPathWithIndexes(root, QStringLiteral("items[0].tags")), QStringLiteral("red"));
}

TEST(ClassTests, ByName)
{
    test::LogCapture log;
    QTimer timer;
    EXPECT_TRUE(descriptionOfClassIsEqualTo(&timer, QStringLiteral("QTimer")));
    EXPECT_FALSE(descriptionOfClassIsEqualTo(&timer, QStringLiteral("QObject")));
    EXPECT_FALSE(descriptionOfClassIsEqualTo(&timer, QString()));
    EXPECT_TRUE(isKindOfClassFromString(&timer, QStringLiteral("QObject")));
    EXPECT_TRUE(isKindOfClassFromString(&timer, QStringLiteral("QTimer")));
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_FALSE(isKindOfClassFromString(&timer, QStringLiteral("NoSuchClass")));
    EXPECT_EQ(log.lines(), QStringList{"Class NoSuchClass not found."});
    EXPECT_FALSE(isKindOfClassFromString(&timer, QString()));
    EXPECT_FALSE(isKindOfClassFromString(nullptr, QStringLiteral("QObject")));
}

TEST(ClassTests, RespondsToSelectorLogsOncePerToken)
{
    test::LogCapture log;
    Folder folder;
    EXPECT_TRUE(safeRespondsToSelector(&folder, "open"));
    EXPECT_TRUE(safeRespondsToSelector(&folder, "deleteLater"));
    EXPECT_TRUE(safeRespondsToSelector(&folder, "name"));
    EXPECT_TRUE(log.lines().isEmpty());
    bool token = false;
    EXPECT_FALSE(safeRespondsToSelector(&folder, "print:", &token));
    EXPECT_FALSE(safeRespondsToSelector(&folder, "print:", &token));
    EXPECT_TRUE(token);
    EXPECT_EQ(log.lines(), QStringList{"Class sorvant::Folder does not respond to selector print:."});
    EXPECT_FALSE(safeRespondsToSelector(&folder, "print:"));
    EXPECT_FALSE(safeRespondsToSelector(&folder, "print:"));
    EXPECT_EQ(log.lines().size(), 3);
}

TEST(UnrecognizedSelector, AnswersTheEmptyValueAndLogs)
{
    test::LogCapture log;
    Folder folder;
    EXPECT_FALSE(unrecognizedSelector<bool>(QVariant(QSize(1, 2)), "boolValue"));
    EXPECT_EQ(unrecognizedSelector<unsigned long>(&folder, "unsignedLongValue"), 0u);
    EXPECT_FALSE(unrecognizedSelector<QVariant>(QVariant(), "composer").isValid());
    EXPECT_FALSE(unrecognizedSelector<QVariant>(&folder, "NS_touchBarProviders").isValid());
    QString error = QStringLiteral("stale");
    EXPECT_FALSE(unrecognizedSelector<bool>(&folder, "checkResourceIsReachableAndReturnError:", &error));
    EXPECT_TRUE(error.isNull());
    EXPECT_FALSE(unrecognizedSelector<bool>(&folder, "checkResourceIsReachableAndReturnError:",
                                            static_cast<QString*>(nullptr)));
    EXPECT_EQ(log.lines(), (QStringList{"-[QSize boolValue]: Unrecognized selector.",
                                        "-[sorvant::Folder unsignedLongValue]: Unrecognized selector.",
                                        "-[nil composer]: Unrecognized selector.",
                                        "-[sorvant::Folder checkResourceIsReachableAndReturnError:]: "
                                        "Unrecognized selector.",
                                        "-[sorvant::Folder checkResourceIsReachableAndReturnError:]: "
                                        "Unrecognized selector."}));
}

} // namespace
} // namespace sorvant

#include "runtime_test.moc"
