#pragma once
// String ordering by the locale's collation from ICU: what a user expects of
// a sorted list of names. The locale-independent compare and find of the
// platform are in string_compare.h.
//
// The POSIX locale (LANG=C or C.UTF-8, which ICU calls "en_US_POSIX") would
// collate in code-point order; it collates by LC_COLLATE's language when
// that names one, else by the root collation:
//   under LANG=C.UTF-8: localizedCompare("apple", "Zeta", 0) => -1
//
// Results are -1, 0 or 1. A null string orders as the empty string.
//   localizedCompare("a", "B", kCollationCaseInsensitive)  => -1
//   localizedCompare("file10", "file9", kCollationNumeric) =>  1
//   localizedCompare("A", "a", kCollationCaseInsensitive)  =>  0

#include <QByteArray>
#include <QString>

struct UCollator;

namespace sorvant {

// How collation compares; options combine.
enum CollationOption : unsigned {
    kCollationCaseSensitive = 0,
    kCollationCaseInsensitive = 1,  // letters differing only in case are equal
    kCollationNumeric = 2,          // digit runs compare by numeric value
};
// The order of a file browser: numeric and case-insensitive.
inline constexpr unsigned kCollationStandard = kCollationCaseInsensitive | kCollationNumeric;

// An ICU collator for one locale and set of options. Not for sharing between
// threads; the free functions below keep one per thread.
class Collator
{
public:
    // A null or empty locale name means the current locale.
    explicit Collator(unsigned options = kCollationCaseSensitive, const QString& localeName = QString());
    ~Collator();
    Collator(Collator&& other) noexcept;
    Collator& operator=(Collator&& other) noexcept;
    Collator(const Collator&) = delete;
    Collator& operator=(const Collator&) = delete;

    // False when ICU could not open a collator; compare() then falls back to
    // the order of UTF-16 units and sortKey() to the units' bytes.
    [[nodiscard]] bool isValid() const { return m_collator != nullptr; }
    // -1, 0 or 1 as `a` sorts before, with or after `b`.
    [[nodiscard]] int compare(const QString& a, const QString& b) const;
    // A byte string whose unsigned byte order (memcmp, QByteArray's
    // operator<) is the collation order of the strings, to sort many strings
    // with one key each instead of one collation per comparison.
    //   sortKey("") => a short non-empty key that sorts first
    [[nodiscard]] QByteArray sortKey(const QString& string) const;

private:
    UCollator* m_collator = nullptr;
};

// Compares with the current locale's collation (per-thread collator).
[[nodiscard]] int localizedCompare(const QString& a, const QString& b, unsigned options);
// The order of file names in a browser: localizedCompare with kCollationStandard.
[[nodiscard]] int localizedStandardCompare(const QString& a, const QString& b);
// The sort key of `string` under the current locale's collation.
[[nodiscard]] QByteArray collationKey(const QString& string, unsigned options);

} // namespace sorvant
