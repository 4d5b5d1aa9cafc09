#include "platform/collation.h"

#include "platform/current_locale.h"
#include "platform/icu_support.h"

#include <QList>

#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <cstdlib>

namespace sorvant {

using detail::icuLength;
using detail::icuUnits;

namespace {

int sign(int value)
{
    return (value > 0) - (value < 0);
}

bool isPosixLocale(const QByteArray& locale)
{
    if (locale.isEmpty() || locale == "C" || locale == "c" || locale == "POSIX")
        return true;
    char variant[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_getVariant(locale.constData(), variant, sizeof variant, &status);
    return U_SUCCESS(status) && qstrcmp(variant, "POSIX") == 0;
}

// ICU makes "en_US_POSIX" of LANG=C and C.UTF-8, and that locale collates
// in code-point order, capitals first: "Zeta" before "apple", "é" after
// "z". Names are sorted for people, so such a locale collates as LC_COLLATE
// says when that names a language of its own (and LC_ALL does not override
// it), else by the root collation, the order common to all languages.
QByteArray collationLocale(const QString& localeName)
{
    const QByteArray locale = (localeName.isEmpty() ? currentLocaleName() : localeName).toLatin1();
    if (!isPosixLocale(locale))
        return locale;
    const char* all = std::getenv("LC_ALL");
    const char* collate = std::getenv("LC_COLLATE");
    if ((!all || !*all) && collate && *collate) {
        const QByteArray language = QByteArray(collate).split('.').constFirst().split('@').constFirst();
        if (!isPosixLocale(language))
            return language;
    }
    return QByteArrayLiteral("root");
}

UCollator* openCollator(unsigned options, const QString& localeName)
{
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray locale = collationLocale(localeName);
    UCollator* collator = ucol_open(locale.constData(), &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return nullptr;
    }
    // Secondary strength keeps accents apart and lets case go.
    if (options & kCollationCaseInsensitive)
        ucol_setStrength(collator, UCOL_SECONDARY);
    if (options & kCollationNumeric)
        ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    return collator;
}

using CollatorCache = detail::IcuHandleCache<UCollator, ucol_close>;

UCollator* currentCollator(unsigned options)
{
    // Sorting calls this once per comparison: the last collator is checked
    // without building a key or allocating before the cache is asked.
    struct LastUsed
    {
        QByteArray locale;
        unsigned options = 0;
        UCollator* collator = nullptr;
    };
    thread_local CollatorCache cache;
    thread_local LastUsed last;
    const char* locale = uloc_getDefault();
    if (last.collator && last.options == options && last.locale == locale)
        return last.collator;
    const QString localeName = QString::fromLatin1(locale);
    UCollator* collator = cache.get(localeName + QLatin1Char('|') + QString::number(options),
                                    [&] { return openCollator(options, localeName); });
    last = LastUsed{QByteArray(locale), options, collator};
    return collator;
}

int collate(const UCollator* collator, const QString& a, const QString& b)
{
    if (!collator)
        return sign(QString::compare(a, b, Qt::CaseSensitive));
    switch (ucol_strcoll(collator, icuUnits(a), icuLength(a), icuUnits(b), icuLength(b))) {
    case UCOL_LESS:
        return -1;
    case UCOL_GREATER:
        return 1;
    case UCOL_EQUAL:
        break;
    }
    return 0;
}

QByteArray makeSortKey(const UCollator* collator, const QString& string)
{
    if (!collator) {
        // Big-endian units, so that byte order is unit order.
        QByteArray units;
        units.reserve(string.size() * 2);
        for (const QChar unit : string) {
            units.append(static_cast<char>(unit.unicode() >> 8));
            units.append(static_cast<char>(unit.unicode() & 0xff));
        }
        return units;
    }
    QByteArray key(64, Qt::Uninitialized);
    int32_t length = ucol_getSortKey(collator, icuUnits(string), icuLength(string),
                                     reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
    if (length > key.size()) {
        key.resize(length);
        length = ucol_getSortKey(collator, icuUnits(string), icuLength(string),
                                 reinterpret_cast<uint8_t*>(key.data()), length);
    }
    // The length counts the terminating zero byte, which the order does not need.
    key.truncate(length > 0 ? length - 1 : 0);
    return key;
}

} // namespace

Collator::Collator(unsigned options, const QString& localeName)
    : m_collator(openCollator(options, localeName))
{
}

Collator::~Collator()
{
    ucol_close(m_collator);
}

Collator::Collator(Collator&& other) noexcept
    : m_collator(std::exchange(other.m_collator, nullptr))
{
}

Collator& Collator::operator=(Collator&& other) noexcept
{
    if (this != &other) {
        ucol_close(m_collator);
        m_collator = std::exchange(other.m_collator, nullptr);
    }
    return *this;
}

int Collator::compare(const QString& a, const QString& b) const
{
    return collate(m_collator, a, b);
}

QByteArray Collator::sortKey(const QString& string) const
{
    return makeSortKey(m_collator, string);
}

int localizedCompare(const QString& a, const QString& b, unsigned options)
{
    return collate(currentCollator(options), a, b);
}

int localizedStandardCompare(const QString& a, const QString& b)
{
    return localizedCompare(a, b, kCollationStandard);
}

QByteArray collationKey(const QString& string, unsigned options)
{
    return makeSortKey(currentCollator(options), string);
}

} // namespace sorvant
