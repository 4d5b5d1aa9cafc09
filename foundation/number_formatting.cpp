#include "foundation/number_formatting.h"

#include "foundation/string_format.h"
#include "platform/current_locale.h"
#include "platform/localized_text.h"

#include <QHash>

#include <iterator>
#include <mutex>

namespace sorvant {

namespace {

NumberFormatter* makeFormatter(NumberFormatter::Style style, int maximumFractionDigits, const QString& locale = {})
{
    auto* formatter = new NumberFormatter(style, locale);
    if (maximumFractionDigits >= 0)
        formatter->setMaximumFractionDigits(maximumFractionDigits);
    formatter->setUsesGroupingSeparator(true);
    formatter->setGroupingSize(3);
    return formatter;
}

struct SizeUnit
{
    quint64 limit; // counts below this use the unit
    float divisor;
};

// The TB divisor is the float nearest to 10^12, as a single-precision
// constant of that value gives; counts of 10^12 bytes read exactly "1 TB".
constexpr SizeUnit kSizeUnits[] = {
    {1'000'000ULL, 1000.0f},
    {1'000'000'000ULL, 1000000.0f},
    {1'000'000'000'000ULL, 1000000000.0f},
    {~0ULL, 999999995904.0f},
};

// The translated format of the unit at `index` in kSizeUnits; each key is
// written out whole so that the tables' completeness test finds it.
QString sizeUnitFormat(std::size_t index)
{
    switch (index) {
    case 0:
        return localizedText(QStringLiteral("%@ KB"));
    case 1:
        return localizedText(QStringLiteral("%@ MB"));
    case 2:
        return localizedText(QStringLiteral("%@ GB"));
    default:
        return localizedText(QStringLiteral("%@ TB"));
    }
}

} // namespace

// Leaked on purpose: formatters live until the process ends, so that text
// made during static destruction still works.
const NumberFormatter& integerFormatter()
{
    // Counts follow the locale of the moment, which tests switch: one
    // formatter per locale the process has used, each kept, so a reference
    // handed out stays good. A look-up costs a lock and a hash. Leaked too,
    // with the lock.
    static auto* mutex = new std::mutex;
    static auto* formatters = new QHash<QString, const NumberFormatter*>;
    const QString locale = currentLocaleName();
    const std::lock_guard lock(*mutex);
    const NumberFormatter*& formatter = (*formatters)[locale];
    if (!formatter)
        formatter = makeFormatter(NumberFormatter::Style::None, -1, locale);
    return *formatter;
}

const NumberFormatter& floatFormatter()
{
    static const NumberFormatter* formatter = makeFormatter(NumberFormatter::Style::Decimal, 2);
    return *formatter;
}

const NumberFormatter& sizeFormatter()
{
    static const NumberFormatter* formatter = makeFormatter(NumberFormatter::Style::Decimal, 1);
    return *formatter;
}

QString stringForInteger(const NumberFormatter& formatter, qint64 value)
{
    return formatter.stringFromInteger(value);
}

QString stringForFloat(const NumberFormatter& formatter, float value)
{
    return formatter.stringFromDouble(static_cast<double>(value));
}

QString stringForInteger(qint64 value)
{
    return stringForInteger(integerFormatter(), value);
}

QString stringForFloat(float value)
{
    return stringForFloat(floatFormatter(), value);
}

QString stringForSize(quint64 bytes, const NumberFormatter& formatter)
{
    if (bytes < 1000) {
        const QString format = bytes == 1 ? localizedText(QStringLiteral("%d byte"))
                                          : localizedText(QStringLiteral("%d bytes"));
        return formatString(format, static_cast<int>(bytes));
    }
    for (std::size_t index = 0; index < std::size(kSizeUnits); ++index) {
        const SizeUnit& unit = kSizeUnits[index];
        if (bytes < unit.limit || unit.limit == ~0ULL) {
            const float quotient = static_cast<float>(bytes) / unit.divisor;
            return formatString(sizeUnitFormat(index), stringForFloat(formatter, quotient));
        }
    }
    return {};
}

QString stringForSize(quint64 bytes)
{
    return stringForSize(bytes, sizeFormatter());
}

} // namespace sorvant
