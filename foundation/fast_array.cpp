#include "foundation/fast_array.h"

#include "platform/log.h"

#include <cstdlib>
#include <cstring>

namespace sorvant::detail {

namespace {

// glibc's qsort_r passes the context last; our comparison functions take it
// first, as the BSD form does.
struct ContextFirst
{
    FastArrayStorage::ContextCompare compare;
    void* context;

    static int call(const void* a, const void* b, void* self)
    {
        const auto* bound = static_cast<const ContextFirst*>(self);
        return bound->compare(bound->context, a, b);
    }
};

void sortSlots(void** buffer, qsizetype count, FastArrayStorage::ContextCompare compare, void* context)
{
    ContextFirst bound{compare, context};
    qsort_r(buffer, static_cast<std::size_t>(count), sizeof(void*), &ContextFirst::call, &bound);
}

} // namespace

FastArrayStorage::FastArrayStorage(qsizetype capacity, qsizetype growBy)
    : m_growBy(std::max(growBy, kMinimumGrowBy))
{
    grow(std::max(capacity, kMinimumCapacity));
}

FastArrayStorage::FastArrayStorage(void* const* objects, qsizetype count)
{
    grow(std::max(count, kMinimumCapacity));
    if (objects && count > 0) {
        std::memcpy(m_objects, objects, static_cast<std::size_t>(count) * sizeof(void*));
        m_count = count;
    }
}

FastArrayStorage::FastArrayStorage(const FastArrayStorage& other)
    : FastArrayStorage(other.m_objects, other.m_count)
{
}

FastArrayStorage& FastArrayStorage::operator=(const FastArrayStorage& other)
{
    if (this != &other)
        setObjects(other.m_objects, other.m_count);
    return *this;
}

FastArrayStorage::FastArrayStorage(FastArrayStorage&& other) noexcept
    : m_capacity(std::exchange(other.m_capacity, 0))
    , m_growBy(other.m_growBy)
    , m_count(std::exchange(other.m_count, 0))
    , m_objects(std::exchange(other.m_objects, nullptr))
{
}

FastArrayStorage& FastArrayStorage::operator=(FastArrayStorage&& other) noexcept
{
    if (this != &other) {
        std::free(m_objects);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_growBy = other.m_growBy;
        m_count = std::exchange(other.m_count, 0);
        m_objects = std::exchange(other.m_objects, nullptr);
    }
    return *this;
}

FastArrayStorage::~FastArrayStorage()
{
    std::free(m_objects);
}

void FastArrayStorage::grow(qsizetype capacity)
{
    if (capacity <= m_capacity)
        return;
    void* grown = std::realloc(m_objects, static_cast<std::size_t>(capacity) * sizeof(void*));
    if (!grown) {
        // Nothing sensible can go on without the buffer; stop here rather
        // than write through a null pointer later.
        logError(QStringLiteral("FastArray: cannot grow to %1 slots").arg(capacity));
        std::abort();
    }
    m_objects = static_cast<void**>(grown);
    m_capacity = capacity;
}

void FastArrayStorage::add(void* object)
{
    if (!object)
        return;
    // The floor only matters for a moved-from array, whose buffer is gone.
    if (m_count == m_capacity)
        grow(std::max(kMinimumCapacity, m_count > m_growBy ? m_count + m_growBy : 2 * m_count));
    m_objects[m_count++] = object;
}

void FastArrayStorage::insert(void* object, qsizetype index)
{
    if (!object)
        return;
    if (index < 0 || index >= m_count) {
        add(object);
        return;
    }
    add(m_objects[m_count - 1]);
    std::memmove(m_objects + index + 1, m_objects + index,
                 static_cast<std::size_t>(m_count - 2 - index) * sizeof(void*));
    m_objects[index] = object;
}

void FastArrayStorage::replace(qsizetype index, void* object)
{
    if (object && index >= 0 && index < m_count)
        m_objects[index] = object;
}

void FastArrayStorage::removeAt(qsizetype index)
{
    if (index < 0 || index >= m_count)
        return;
    std::memmove(m_objects + index, m_objects + index + 1,
                 static_cast<std::size_t>(m_count - index - 1) * sizeof(void*));
    --m_count;
}

void FastArrayStorage::removeIf(bool (*matches)(const void* context, void* element), const void* context)
{
    qsizetype kept = 0;
    for (qsizetype index = 0; index < m_count; ++index) {
        if (!matches(context, m_objects[index]))
            m_objects[kept++] = m_objects[index];
    }
    m_count = kept;
}

void FastArrayStorage::setObjects(void* const* objects, qsizetype count)
{
    if (!objects || count <= 0) {
        m_count = 0;
        return;
    }
    grow(count);
    // memmove: the source may be this very buffer.
    std::memmove(m_objects, objects, static_cast<std::size_t>(count) * sizeof(void*));
    m_count = count;
}

void FastArrayStorage::append(void* const* objects, qsizetype count)
{
    if (!objects || count <= 0)
        return;
    grow(m_count + count);
    std::memmove(m_objects + m_count, objects, static_cast<std::size_t>(count) * sizeof(void*));
    m_count += count;
}

qsizetype FastArrayStorage::setCount(qsizetype count)
{
    if (count >= 0 && count < m_count)
        m_count = count;
    return m_count;
}

void** FastArrayStorage::setCapacity(qsizetype capacity)
{
    grow(capacity);
    return m_objects;
}

void FastArrayStorage::sort(ContextCompare compare, void* context)
{
    if (m_count >= 2)
        sortSlots(m_objects, m_count, compare, context);
}

void FastArrayStorage::partialSort(ContextCompare compare, void* context, qsizetype k)
{
    const qsizetype n = m_count;
    if (n < 2 || k <= 0)
        return;
    // For a large k a full sort is cheaper than inserting into a long prefix.
    if (k >= n || (k >= 51 && n / 80 < k)) {
        sortSlots(m_objects, n, compare, context);
        return;
    }
    sortSlots(m_objects, k, compare, context);
    for (qsizetype index = k; index < n; ++index) {
        void* element = m_objects[index];
        qsizetype slot = k;
        while (slot > 0 && compare(context, &element, &m_objects[slot - 1]) < 0)
            --slot;
        if (slot == k)
            continue;
        // The prefix's largest element leaves it for the element's old slot.
        void* evicted = m_objects[k - 1];
        std::memmove(m_objects + slot + 1, m_objects + slot, static_cast<std::size_t>(k - 1 - slot) * sizeof(void*));
        m_objects[slot] = element;
        m_objects[index] = evicted;
    }
}

} // namespace sorvant::detail
