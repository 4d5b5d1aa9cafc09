#include "foundation/fast_array.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <deque>
#include <random>
#include <vector>

namespace sorvant {
namespace {

struct Item
{
    int value = 0;
    friend bool operator==(const Item& a, const Item& b) { return a.value == b.value; }
};

int compareItems(Item* const* a, Item* const* b)
{
    return (*a)->value - (*b)->value;
}

int compareItemsWithContext(void* context, Item* const* a, Item* const* b)
{
    // The context says which way to sort; it must arrive as the first argument.
    const int direction = *static_cast<int*>(context);
    return direction * compareItems(a, b);
}

std::vector<int> valuesOf(const FastArray<Item>& array)
{
    std::vector<int> values;
    for (Item* item : array)
        values.push_back(item->value);
    return values;
}

class FastArrayTest : public ::testing::Test
{
protected:
    Item* item(int value)
    {
        m_items.push_back(Item{value});
        return &m_items.back();
    }
    FastArray<Item> arrayOf(std::initializer_list<int> values)
    {
        FastArray<Item> array;
        for (int value : values)
            array.addObject(item(value));
        return array;
    }

    std::deque<Item> m_items;   // stable addresses; the arrays do not own them
};

TEST_F(FastArrayTest, CapacityAndGrowthStepHaveFloors)
{
    EXPECT_EQ(FastArray<Item>().capacity(), 16);
    EXPECT_EQ(FastArray<Item>(3).capacity(), 16);
    EXPECT_EQ(FastArray<Item>(100, 10).capacity(), 100);
    EXPECT_EQ(FastArray<Item>(100, 10).growBy(), 1024);
    EXPECT_EQ(FastArray<Item>(100, 2048).growBy(), 2048);
}

TEST_F(FastArrayTest, GrowsByDoublingThenByTheGrowthStep)
{
    FastArray<Item> array;
    for (int index = 0; index < 16; ++index)
        array.addObject(item(index));
    EXPECT_EQ(array.capacity(), 16);
    array.addObject(item(16));
    EXPECT_EQ(array.capacity(), 32);

    FastArray<Item> large(2000);
    for (int index = 0; index < 2000; ++index)
        large.addObject(item(index));
    EXPECT_EQ(large.capacity(), 2000);
    large.addObject(item(2000));
    EXPECT_EQ(large.capacity(), 3024);
    EXPECT_EQ(large.count(), 2001);
    EXPECT_EQ(large.lastObject()->value, 2000);
    EXPECT_EQ(large.objectAtIndex(1234)->value, 1234);
}

TEST_F(FastArrayTest, NullElementsAreNeverStored)
{
    FastArray<Item> array = arrayOf({1});
    array.addObject(nullptr);
    array.insertObject(nullptr, 0);
    array.replaceObjectAtIndex(0, nullptr);
    Item* withNull[] = {item(2), nullptr, item(3)};
    array.addObjectsFromArray(QList<Item*>(std::begin(withNull), std::end(withNull)));
    EXPECT_EQ(valuesOf(array), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(FastArray<Item>::arrayWithObject(nullptr).count(), 0);
}

TEST_F(FastArrayTest, InsertMovesLaterElementsUpAndAppendsPastTheEnd)
{
    FastArray<Item> array = arrayOf({1, 2, 3});
    array.insertObject(item(9), 1);
    EXPECT_EQ(valuesOf(array), (std::vector<int>{1, 9, 2, 3}));
    array.insertObject(item(7), 99);
    EXPECT_EQ(valuesOf(array), (std::vector<int>{1, 9, 2, 3, 7}));
    array.insertObject(item(0), 0);
    EXPECT_EQ(valuesOf(array), (std::vector<int>{0, 1, 9, 2, 3, 7}));
}

TEST_F(FastArrayTest, InsertAtAFullBufferGrows)
{
    FastArray<Item> array;
    for (int index = 0; index < 16; ++index)
        array.addObject(item(index));
    array.insertObject(item(-1), 0);
    EXPECT_EQ(array.count(), 17);
    EXPECT_EQ(array.capacity(), 32);
    EXPECT_EQ(array.firstObject()->value, -1);
    EXPECT_EQ(array.lastObject()->value, 15);
}

TEST_F(FastArrayTest, RemovalKeepsTheOrderOfTheRest)
{
    FastArray<Item> array = arrayOf({1, 2, 3, 2, 4});
    array.removeObjectAtIndex(0);
    EXPECT_EQ(valuesOf(array), (std::vector<int>{2, 3, 2, 4}));
    array.removeObjectAtIndex(4);   // not below the count: ignored
    EXPECT_EQ(array.count(), 4);
    Item two{2};
    array.removeObject(&two);       // every equal element, not only the first
    EXPECT_EQ(valuesOf(array), (std::vector<int>{3, 4}));
    array.removeAllObjects();
    EXPECT_EQ(array.count(), 0);
    EXPECT_EQ(array.firstObject(), nullptr);
    EXPECT_EQ(array.capacity(), 16);
}

TEST_F(FastArrayTest, IdentityAndEqualityAreDifferentTests)
{
    Item* first = item(5);
    Item* equal = item(5);
    FastArray<Item> array;
    array.addObjects(item(1), first, first);
    EXPECT_EQ(array.indexOfObject(equal), 1);
    EXPECT_EQ(array.indexOfObjectIdenticalTo(equal), NSNotFound);
    EXPECT_TRUE(array.containsObjectIdenticalTo(first));
    EXPECT_EQ(array.indexOfObject(nullptr), NSNotFound);
    array.removeObjectIdenticalTo(equal);
    EXPECT_EQ(array.count(), 3);
    array.removeObjectIdenticalTo(first);
    EXPECT_EQ(valuesOf(array), (std::vector<int>{1}));
}

TEST_F(FastArrayTest, AddObjectsStopsAtTheFirstNull)
{
    FastArray<Item> array;
    array.addObjects(item(1), item(2), static_cast<Item*>(nullptr), item(3));
    EXPECT_EQ(valuesOf(array), (std::vector<int>{1, 2}));
}

TEST_F(FastArrayTest, SetCountOnlyShrinks)
{
    FastArray<Item> array = arrayOf({1, 2, 3, 4, 5});
    EXPECT_EQ(array.setCount(10), 5);
    EXPECT_EQ(array.setCount(2), 2);
    EXPECT_EQ(valuesOf(array), (std::vector<int>{1, 2}));
}

TEST_F(FastArrayTest, BulkReplacementGrowsToExactlyTheNeededSize)
{
    std::vector<Item*> many;
    for (int index = 0; index < 40; ++index)
        many.push_back(item(index));
    FastArray<Item> array = arrayOf({1});
    array.setObjects(many.data(), static_cast<qsizetype>(many.size()));
    EXPECT_EQ(array.capacity(), 40);
    EXPECT_EQ(array.count(), 40);
    array.setObjects(nullptr, 5);
    EXPECT_EQ(array.count(), 0);
    EXPECT_EQ(array.capacity(), 40);
    EXPECT_EQ(array.setCapacity(10), array.getObjectsPtr());
    EXPECT_EQ(array.capacity(), 40);
}

TEST_F(FastArrayTest, CopiesAreShallowAndIndependent)
{
    FastArray<Item> array = arrayOf({1, 2, 3});
    FastArray<Item> copy = array;
    copy.removeObjectAtIndex(0);
    EXPECT_EQ(array.count(), 3);
    EXPECT_EQ(copy.firstObject(), array.objectAtIndex(1));
}

TEST_F(FastArrayTest, MovedFromArrayStaysUsable)
{
    FastArray<Item> array = arrayOf({1, 2});
    FastArray<Item> moved = std::move(array);
    EXPECT_EQ(valuesOf(moved), (std::vector<int>{1, 2}));
    array.addObject(item(3));   // NOLINT(bugprone-use-after-move): reuse is allowed
    EXPECT_EQ(valuesOf(array), (std::vector<int>{3}));
    EXPECT_EQ(array.capacity(), 16);
}

TEST_F(FastArrayTest, GetObjectsInRangeCopiesOnlyAnInsideRange)
{
    FastArray<Item> array = arrayOf({1, 2, 3});
    Item* out[3] = {nullptr, nullptr, nullptr};
    array.getObjects(out, Range{1, 3});   // ends past the count
    EXPECT_EQ(out[0], nullptr);
    array.getObjects(out, Range{1, 2});
    EXPECT_EQ(out[0]->value, 2);
    EXPECT_EQ(out[1]->value, 3);
    EXPECT_EQ(out[2], nullptr);
}

TEST_F(FastArrayTest, ApplyFunctionCutsTheRangeAtTheCount)
{
    FastArray<Item> array = arrayOf({1, 2, 3, 4});
    int sum = 0;
    const auto add = [](Item* element, void* total) { *static_cast<int*>(total) += element->value; };
    array.applyFunction(add, &sum, Range{2, 100});
    EXPECT_EQ(sum, 7);
    array.applyFunction(add, &sum, Range{4, 1});
    EXPECT_EQ(sum, 7);
    array.applyFunction(nullptr, &sum);
    array.applyFunction(add, &sum);
    EXPECT_EQ(sum, 17);
}

TEST_F(FastArrayTest, SortsWithAndWithoutContext)
{
    FastArray<Item> array = arrayOf({3, 1, 2});
    array.sortUsingFunction(&compareItems);
    EXPECT_EQ(valuesOf(array), (std::vector<int>{1, 2, 3}));
    int descending = -1;
    array.sortUsingFunction(&compareItemsWithContext, &descending);
    EXPECT_EQ(valuesOf(array), (std::vector<int>{3, 2, 1}));
}

TEST_F(FastArrayTest, PartialSortLeavesTheSmallestInOrder)
{
    std::mt19937 random(7);
    for (const auto& [n, k] : {std::pair{1000, 3}, {1000, 50}, {1000, 51}, {10000, 60}, {5, 5}, {5, 9}, {2, 1}}) {
        SCOPED_TRACE(QStringLiteral("n=%1 k=%2").arg(n).arg(k).toStdString());
        FastArray<Item> array;
        std::vector<int> values;
        for (int index = 0; index < n; ++index) {
            values.push_back(static_cast<int>(random() % 100000));
            array.addObject(item(values.back()));
        }
        array.sortUsingFunction(&compareItems, k);
        std::sort(values.begin(), values.end());
        const std::vector<int> sorted = valuesOf(array);
        const auto kept = static_cast<std::size_t>(std::min(k, n));
        EXPECT_TRUE(std::equal(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(kept), sorted.begin()));
        // Nothing lost or duplicated among the rest.
        std::vector<int> all = sorted;
        std::sort(all.begin(), all.end());
        EXPECT_EQ(all, values);
    }
}

TEST_F(FastArrayTest, DescriptionListsOneElementPerLine)
{
    const auto describe = [](const Item& element) { return QString::number(element.value); };
    EXPECT_EQ(FastArray<Item>().description(describe), QStringLiteral("()"));
    EXPECT_EQ(arrayOf({1, 22}).description(describe), QStringLiteral("(\n\t1\n\t22\n)"));
}

} // namespace
} // namespace sorvant
