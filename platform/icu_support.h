#pragma once
// Helpers private to platform/'s ICU adapters: a string's units and length
// as ICU takes them, a per-thread cache of ICU handles and the reading of
// ICU's "preflight then fill" strings.
//
// The cache holds collators, calendars and formatters keyed by a string that
// names everything the handle was opened with. ICU
// handles are not safe to share between threads, and opening one costs far
// more than a compare or a format, so each thread keeps its own few.
// Internal to platform/: the handle types stay opaque here, ICU headers are
// included only by the .cpp files that instantiate it.

#include <QString>
#include <QStringView>

#include <cstdint>

#include <memory>
#include <utility>
#include <vector>

namespace sorvant::detail {

// The UTF-16 units of `string` for an ICU call, read in place (ICU's UChar is
// char16_t). nullptr for a null string: ICU reads a null zone or pattern as
// "the default", and a null text of length 0 as empty.
[[nodiscard]] inline const char16_t* icuUnits(const QString& string)
{
    return QStringView(string).utf16();
}

// The length of `string` in units, as ICU's int32_t.
[[nodiscard]] inline std::int32_t icuLength(const QString& string)
{
    return static_cast<std::int32_t>(string.size());
}

template <typename Handle, void (*Close)(Handle*)>
class IcuHandleCache
{
public:
    // The handle cached under `key`, opened with `open()` when missing.
    // Answers nullptr, caching nothing, when `open()` fails.
    template <typename Open>
    Handle* get(const QString& key, Open open)
    {
        for (auto& [entryKey, handle] : m_entries) {
            if (entryKey == key)
                return handle.get();
        }
        Handle* opened = open();
        if (!opened)
            return nullptr;
        // A handful of keys are in use at any time; a cache that keeps
        // filling means the locale or zone keeps changing, so start over.
        if (m_entries.size() >= kMaximumEntries)
            m_entries.clear();
        m_entries.emplace_back(key, Owned(opened));
        return opened;
    }

private:
    struct Closer
    {
        void operator()(Handle* handle) const { Close(handle); }
    };
    using Owned = std::unique_ptr<Handle, Closer>;
    static constexpr std::size_t kMaximumEntries = 16;
    std::vector<std::pair<QString, Owned>> m_entries;
};

// Calls `fill(buffer, capacity, &status)` of an ICU function that writes
// UTF-16 and answers the full length, growing the buffer once when needed.
// Answers a null string when ICU fails. `Status` is ICU's UErrorCode.
template <typename Status, typename Fill>
QString readIcuString(Fill fill)
{
    QString result(64, Qt::Uninitialized);
    Status status{};
    auto* buffer = reinterpret_cast<char16_t*>(result.data());
    std::int32_t length = fill(buffer, static_cast<std::int32_t>(result.size()), &status);
    if (length > result.size()) {
        result = QString(length, Qt::Uninitialized);
        status = Status{};
        length = fill(reinterpret_cast<char16_t*>(result.data()), length, &status);
    }
    // ICU's errors are the positive codes; warnings such as "not terminated"
    // are negative and leave a usable result.
    if (static_cast<int>(status) > 0 || length < 0)
        return QString();
    result.truncate(length);
    return result;
}

} // namespace sorvant::detail
