#include "foundation/array_extensions.h"


#include <gtest/gtest.h>

#include <QStringList>

namespace sorvant {
namespace {

int compareInts(int a, int b)
{
    return (a > b) - (a < b);
}

TEST(ArrayExtensions, MoveObjectLandsInFrontOfTheTarget)
{
    struct Row
    {
        qsizetype from;
        qsizetype to;
        bool moved;
        QStringList expected;
    };
    const Row rows[] = {
        {0, 2, true, {"B", "A", "C"}}, {2, 0, true, {"C", "A", "B"}}, {1, 1, true, {"A", "B", "C"}},
        {0, 3, false, {"A", "B", "C"}}, {-1, 0, false, {"A", "B", "C"}}, {0, 1, true, {"A", "B", "C"}},
        {1, 0, true, {"B", "A", "C"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QStringLiteral("%1 -> %2").arg(row.from).arg(row.to).toStdString());
        QStringList list = {"A", "B", "C"};
        EXPECT_EQ(moveObjectAtIndex(list, row.from, row.to), row.moved);
        EXPECT_EQ(list, row.expected);
    }
}

TEST(ArrayExtensions, SetCountOnlyShortens)
{
    QStringList list = {"A", "B", "C"};
    EXPECT_EQ(setCount(list, 5), 3);
    EXPECT_EQ(setCount(list, 1), 1);
    EXPECT_EQ(list, QStringList{"A"});
}

TEST(ArrayExtensions, BinarySearchFindsOrGivesTheInsertionIndex)
{
    const QList<int> list = {1, 3, 3, 5};
    const struct
    {
        int value;
        qsizetype expected;
    } rows[] = {{3, 1}, {4, 3}, {9, 4}, {0, 0}, {1, 0}, {5, 3}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(indexOfObjectUsingBinarySearch(list, row.value, compareInts), row.expected);
    }
    EXPECT_EQ(indexOfObjectUsingBinarySearch(list, 9, Range{1, 2}, compareInts), 3);
    EXPECT_EQ(indexOfObjectUsingBinarySearch(list, 0, Range{2, 2}, compareInts), 2);
}

TEST(ArrayExtensions, ApplyFunctionCutsTheRange)
{
    const QList<int> list = {1, 2, 3};
    int sum = 0;
    applyFunction(list, [&](int value) { sum += value; }, Range{3, 1});
    EXPECT_EQ(sum, 0);
    applyFunction(list, [&](int value) { sum += value; }, Range{1, 10});
    EXPECT_EQ(sum, 5);
    applyFunction(list, [&](int value) { sum += value; });
    EXPECT_EQ(sum, 11);
}

TEST(ArrayExtensions, SubarrayWithoutObject)
{
    const QStringList list = {"A", "B", "C"};
    EXPECT_EQ(subarrayWithoutObjectAtIndex(list, 1), (QStringList{"A", "C"}));
    EXPECT_EQ(subarrayWithoutObjectAtIndex(list, 3), list);
}

TEST(ArrayExtensions, EqualityAndIdentityEditsDiffer)
{
    QString a = "x";
    QString equalToA = "x";
    QString b = "y";
    QList<QString*> pointers = {&a, &b, &a};
    removeIdenticalObjectsFromArray(pointers, QList<QString*>{&equalToA});
    EXPECT_EQ(pointers.size(), 3);
    removeIdenticalObjectsFromArray(pointers, QList<QString*>{&a});
    EXPECT_EQ(pointers, QList<QString*>{&b});

    unionWithIdenticalObjects(pointers, &equalToA, &b);
    EXPECT_EQ(pointers, (QList<QString*>{&b, &equalToA}));
    joinWithIdenticalObjectsFromArray(pointers, QList<QString*>{&equalToA, &a});
    EXPECT_EQ(pointers, QList<QString*>{&equalToA});

    QStringList strings = {"x", "y", "x", "z"};
    removeObjectsFromArray(strings, QStringList{"x"});
    EXPECT_EQ(strings, (QStringList{"y", "z"}));
    unionWithObjects(strings, QString("y"), QString("w"), QString("w"));
    EXPECT_EQ(strings, (QStringList{"y", "z", "w"}));
    joinWithObjectsFromArray(strings, QStringList{"w", "y", "q"});
    EXPECT_EQ(strings, (QStringList{"y", "w"}));
}

TEST(ArrayExtensions, AppendsStopAtTheFirstNull)
{
    QStringList strings;
    const char* const constants[] = {"jpg", "png", nullptr, "gif"};
    addObjects(strings, constants);
    EXPECT_EQ(strings, (QStringList{"jpg", "png"}));
    addObjects(strings, static_cast<const char* const*>(nullptr));
    appendObjects(strings, QString("a"), QString(), QString("b"));
    EXPECT_EQ(strings, (QStringList{"jpg", "png", "a"}));
    appendObjects(strings, QString(), QString("c"));
    EXPECT_EQ(strings.size(), 3);

    int one = 1;
    int two = 2;
    int* const ints[] = {&one, &two, nullptr};
    QList<int*> pointers;
    addObjects(pointers, ints);
    EXPECT_EQ(pointers, (QList<int*>{&one, &two}));
}

TEST(ArrayExtensions, AppendFormatSkipsAnEmptyFormat)
{
    QStringList lines;
    appendFormat(lines, QStringLiteral("%d found/%d done"), 3, 10);
    appendFormat(lines, QString(), 1);
    appendFormat(lines, QLatin1String(""));
    EXPECT_EQ(lines, QStringList{"3 found/10 done"});
}

TEST(ArrayExtensions, QuickSortIsStableAndRespectsTheRange)
{
    QList<int> list = {5, 4, 3, 2, 1};
    quickSortUsingFunction(list, compareInts, Range{1, 3});
    EXPECT_EQ(list, (QList<int>{5, 2, 3, 4, 1}));
    quickSortUsingFunction(list, compareInts, Range{3, 3});   // runs past the end
    EXPECT_EQ(list, (QList<int>{5, 2, 3, 4, 1}));
    quickSortUsingFunction(list, compareInts);
    EXPECT_EQ(list, (QList<int>{1, 2, 3, 4, 5}));

    QStringList words = {"bb", "a", "cc", "d"};
    quickSortUsingFunction(words, [](const QString& x, const QString& y) { return compareInts(x.size(), y.size()); });
    EXPECT_EQ(words, (QStringList{"a", "d", "bb", "cc"}));
}

TEST(ArrayExtensions, MinimumCoverKeepsOnlyOutermostPaths)
{
    const auto isInDirectory = [](const QString& path, const QString& directory) {
        return path.startsWith(directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/'));
    };
    QStringList paths = {"/a/b", "/a", "/c", "/a/bc", "/ab"};
    minimumCoverOfPaths(paths, isInDirectory);
    EXPECT_EQ(paths, (QStringList{"/a", "/ab", "/c"}));
    QStringList root = {"/x", "/", "/y/z"};
    minimumCoverOfPaths(root, isInDirectory);
    EXPECT_EQ(root, QStringList{"/"});
    QStringList single = {"/b/c"};
    minimumCoverOfPaths(single, isInDirectory);
    EXPECT_EQ(single, QStringList{"/b/c"});
}

} // namespace
} // namespace sorvant
