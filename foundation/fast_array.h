#pragma once
// FastArray: a growable array of object pointers that never owns its
// elements. The objects must stay alive, owned elsewhere, while they are in
// the array. The pointers sit in one contiguous buffer that callers may read
// in place (data(), begin(), end()); the array grows by doubling up to its
// growth step and linearly after that, and sorts with plain comparison
// functions, including a partial sort that orders only the smallest k.
//
// Elements are never null: adding or inserting nullptr does nothing.
// Indexes at or past the count are ignored, or answered with nullptr, false
// or NSNotFound. One thread at a time.
//   FastArray<Item> a;           a.capacity() => 16, a.growBy() => 1024
//   17 adds                      a.capacity() => 32
//   2,000 of 2,000 slots, 1 add  a.capacity() => 3,024

#include "foundation/range.h"

#include <QList>
#include <QString>

#include <algorithm>

namespace sorvant {

namespace detail {

// The untyped buffer behind FastArray<T>.
class FastArrayStorage
{
public:
    using ContextCompare = int (*)(void* context, const void* slotA, const void* slotB);

    static constexpr qsizetype kMinimumCapacity = 16;
    static constexpr qsizetype kMinimumGrowBy = 1024;

    FastArrayStorage(qsizetype capacity, qsizetype growBy);
    FastArrayStorage(void* const* objects, qsizetype count);
    FastArrayStorage(const FastArrayStorage& other);
    FastArrayStorage& operator=(const FastArrayStorage& other);
    FastArrayStorage(FastArrayStorage&& other) noexcept;
    FastArrayStorage& operator=(FastArrayStorage&& other) noexcept;
    ~FastArrayStorage();

    [[nodiscard]] qsizetype count() const { return m_count; }
    [[nodiscard]] qsizetype capacity() const { return m_capacity; }
    [[nodiscard]] qsizetype growBy() const { return m_growBy; }
    [[nodiscard]] void** data() const { return m_objects; }

    void add(void* object);
    void insert(void* object, qsizetype index);
    void replace(qsizetype index, void* object);
    void removeAt(qsizetype index);
    // Removes every element for which `matches(context, element)` is true.
    void removeIf(bool (*matches)(const void* context, void* element), const void* context);
    void setObjects(void* const* objects, qsizetype count);
    void append(void* const* objects, qsizetype count);
    qsizetype setCount(qsizetype count);
    void** setCapacity(qsizetype capacity);
    void removeAll() { m_count = 0; }

    void sort(ContextCompare compare, void* context);
    void partialSort(ContextCompare compare, void* context, qsizetype k);

private:
    void grow(qsizetype capacity);

    qsizetype m_capacity = 0;
    qsizetype m_growBy = kMinimumGrowBy;
    qsizetype m_count = 0;
    void** m_objects = nullptr;
};

} // namespace detail

template <typename T>
class FastArray
{
public:
    // Comparison functions receive pointers to the two slots, as for qsort;
    // the context form gets the context first.
    using CompareFunction = int (*)(T* const* a, T* const* b);
    using ContextCompareFunction = int (*)(void* context, T* const* a, T* const* b);
    using ApplyFunction = void (*)(T* object, void* context);

    // --- construction ----------------------------------------------------
    // Capacity max(capacity, 16), growth step max(growBy, 1024).
    FastArray() : m_storage(qsizetype{0}, qsizetype{0}) {}
    explicit FastArray(qsizetype capacity, qsizetype growBy = 0) : m_storage(capacity, growBy) {}
    // The pointers of `objects`, in order; an empty list gives an empty array.
    explicit FastArray(const QList<T*>& objects) : m_storage(erased(objects.constData()), objects.size())
    {
        removeNulls();
    }
    FastArray(T* const* objects, qsizetype count) : m_storage(erased(objects), objects ? count : 0)
    {
        removeNulls();
    }
    // One element; nullptr gives an empty array.
    [[nodiscard]] static FastArray arrayWithObject(T* object)
    {
        FastArray array;
        array.addObject(object);
        return array;
    }

    // --- observers -------------------------------------------------------
    // Elements in use, slots in the buffer, and the largest growth step.
    [[nodiscard]] qsizetype count() const { return m_storage.count(); }
    [[nodiscard]] qsizetype capacity() const { return m_storage.capacity(); }
    [[nodiscard]] qsizetype growBy() const { return m_storage.growBy(); }
    // The first, last or indexed element; nullptr when there is none.
    [[nodiscard]] T* firstObject() const { return count() > 0 ? at(0) : nullptr; }
    [[nodiscard]] T* lastObject() const { return count() > 0 ? at(count() - 1) : nullptr; }
    [[nodiscard]] T* objectAtIndex(qsizetype index) const { return isIndex(index) ? at(index) : nullptr; }
    // The buffer itself, valid until the next change; begin() and end()
    // enumerate it in place (a change while enumerating is not detected).
    [[nodiscard]] T** getObjectsPtr() const { return reinterpret_cast<T**>(m_storage.data()); }
    [[nodiscard]] T** begin() const { return getObjectsPtr(); }
    [[nodiscard]] T** end() const { return getObjectsPtr() + count(); }
    // Copies all elements; nothing for a null destination.
    void getObjects(T** destination) const
    {
        if (destination)
            std::copy(begin(), end(), destination);
    }
    // Copies the range's elements only when it is not empty and lies inside.
    void getObjects(T** destination, Range range) const
    {
        if (destination && range.length > 0 && range.location >= 0 && range.location < count()
            && range.length <= count() - range.location)
            std::copy(begin() + range.location, begin() + range.maxRange(), destination);
    }
    // A list of the elements (the list does not own them either).
    [[nodiscard]] QList<T*> objects() const { return QList<T*>(begin(), end()); }

    // --- searching -------------------------------------------------------
    // Equality is *element == *object; identity compares pointers. The first
    // match in index order wins; nullptr is never found.
    [[nodiscard]] qsizetype indexOfObject(const T* object) const
    {
        return indexWhere([object](const T* element) { return *element == *object; }, object);
    }
    [[nodiscard]] qsizetype indexOfObjectIdenticalTo(const T* object) const
    {
        return indexWhere([object](const T* element) { return element == object; }, object);
    }
    [[nodiscard]] bool containsObject(const T* object) const { return indexOfObject(object) != NSNotFound; }
    [[nodiscard]] bool containsObjectIdenticalTo(const T* object) const
    {
        return indexOfObjectIdenticalTo(object) != NSNotFound;
    }

    // --- adding, removing, replacing -------------------------------------
    // Appends by the growth rule; nothing for nullptr.
    void addObject(T* object) { m_storage.add(object); }
    // Appends the arguments in order, up to the first nullptr.
    template <typename... Objects>
    void addObjects(Objects*... objects)
    {
        bool ended = false;
        ((ended = ended || objects == nullptr, ended ? void() : addObject(objects)), ...);
    }
    // Appends every element of `objects`, growing to exactly the needed size.
    void addObjectsFromArray(const QList<T*>& objects)
    {
        m_storage.append(erased(objects.constData()), objects.size());
        removeNulls();
    }
    // Appends when `index` is at or past the count.
    void insertObject(T* object, qsizetype index) { m_storage.insert(object, index); }
    // Replaces or removes (moving the later elements down) the element at
    // `index`; nothing for an index outside the array or a nullptr object.
    void replaceObjectAtIndex(qsizetype index, T* object) { m_storage.replace(index, object); }
    void removeObjectAtIndex(qsizetype index) { m_storage.removeAt(index); }
    // Removes every element equal to `object`, not only the first.
    void removeObject(const T* object)
    {
        if (object)
            m_storage.removeIf([](const void* wanted, void* element) {
                return *static_cast<const T*>(element) == *static_cast<const T*>(wanted);
            }, object);
    }
    // Removes every element that is the pointer `object`.
    void removeObjectIdenticalTo(const T* object)
    {
        m_storage.removeIf([](const void* wanted, void* element) { return element == wanted; }, object);
    }
    // Sets the count to 0; the buffer stays.
    void removeAllObjects() { m_storage.removeAll(); }
    // Replaces the contents; the buffer grows to exactly the needed size.
    void setArray(const QList<T*>& objects) { setObjects(objects.constData(), objects.size()); }
    void setObjects(T* const* objects, qsizetype count)
    {
        m_storage.setObjects(erased(objects), objects ? count : 0);
        removeNulls();
    }
    // Only shrinks: answers the resulting count.
    //   setCount(10) on 5 elements => 5, setCount(2) => 2
    qsizetype setCount(qsizetype newCount) { return m_storage.setCount(newCount); }
    // Grows the buffer to `newCapacity` slots when that is larger; answers the buffer.
    T** setCapacity(qsizetype newCapacity) { return reinterpret_cast<T**>(m_storage.setCapacity(newCapacity)); }

    // --- applying and sorting --------------------------------------------
    // Calls `function(element, context)` for each element in index order.
    void applyFunction(ApplyFunction function, void* context) const
    {
        applyFunction(function, context, Range{0, count()});
    }
    // Over the range cut at the count; nothing for a null function.
    void applyFunction(ApplyFunction function, void* context, Range range) const
    {
        if (!function || range.location < 0 || range.location >= count())
            return;
        const qsizetype last = range.length > count() - range.location ? count() : range.maxRange();
        for (qsizetype index = range.location; index < last; ++index)
            function(at(index), context);
    }
    // Sorts all elements; nothing for fewer than 2.
    void sortUsingFunction(CompareFunction compare)
    {
        Plain plain{compare};
        m_storage.sort(&Plain::call, &plain);
    }
    void sortUsingFunction(ContextCompareFunction compare, void* context)
    {
        WithContext bound{compare, context};
        m_storage.sort(&WithContext::call, &bound);
    }
    // Leaves the k smallest elements in slots 0 to k - 1, in order; the
    // order of the rest is unspecified.
    void sortUsingFunction(CompareFunction compare, qsizetype k)
    {
        Plain plain{compare};
        m_storage.partialSort(&Plain::call, &plain, k);
    }
    void sortUsingFunction(ContextCompareFunction compare, void* context, qsizetype k)
    {
        WithContext bound{compare, context};
        m_storage.partialSort(&WithContext::call, &bound, k);
    }

    // "()" when empty, else "(\n", one "\t<description>\n" per element, ")".
    template <typename Describe>
    [[nodiscard]] QString description(Describe describe) const
    {
        if (count() == 0)
            return QStringLiteral("()");
        QString text = QStringLiteral("(\n");
        for (T* object : *this)
            text += QLatin1Char('\t') + describe(*object) + QLatin1Char('\n');
        return text + QLatin1Char(')');
    }

private:
    struct Plain
    {
        CompareFunction function;
        static int call(void* self, const void* a, const void* b)
        {
            return static_cast<Plain*>(self)->function(static_cast<T* const*>(a), static_cast<T* const*>(b));
        }
    };
    struct WithContext
    {
        ContextCompareFunction function;
        void* context;
        static int call(void* self, const void* a, const void* b)
        {
            auto* bound = static_cast<WithContext*>(self);
            return bound->function(bound->context, static_cast<T* const*>(a), static_cast<T* const*>(b));
        }
    };

    static void* const* erased(T* const* objects) { return reinterpret_cast<void* const*>(objects); }
    [[nodiscard]] T* at(qsizetype index) const { return getObjectsPtr()[index]; }
    [[nodiscard]] bool isIndex(qsizetype index) const { return index >= 0 && index < count(); }
    template <typename Matches>
    [[nodiscard]] qsizetype indexWhere(Matches matches, const T* object) const
    {
        if (!object)
            return NSNotFound;
        const auto found = std::find_if(begin(), end(), matches);
        return found == end() ? NSNotFound : found - begin();
    }
    // Bulk input may hold nulls; the array never does.
    void removeNulls() { removeObjectIdenticalTo(nullptr); }

    detail::FastArrayStorage m_storage;
};

} // namespace sorvant
