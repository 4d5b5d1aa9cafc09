#include "foundation/number_formatting.h"

#include "foundation/string_format.h"

namespace sorvant {

namespace {

NumberFormatter* makeFormatter(NumberFormatter::Style style, int maximumFractionDigits)
{
    auto* formatter = new NumberFormatter(style);
    if (maximumFractionDigits >= 0)
        formatter->setMaximumFractionDigits(maximumFractionDigits);
    formatter->setUsesGroupingSeparator(true);
    formatter->setGroupingSize(3);
    return formatter;
}

// The translation of a format key. The application's string tables are not
// part of the toolkit; without an entry the key itself is the format.
QString localizedFormat(const char* key)
{
    return QString::fromLatin1(key);
}

struct SizeUnit
{
    quint64 limit; // counts below this use the unit
    const char* format;
    float divisor;
};

// The TB divisor is the float nearest to 10^12, as a single-precision
// constant of that value gives; counts of 10^12 bytes read exactly "1 TB".
constexpr SizeUnit kSizeUnits[] = {
    {1'000'000ULL, "%@ KB", 1000.0f},
    {1'000'000'000ULL, "%@ MB", 1000000.0f},
    {1'000'000'000'000ULL, "%@ GB", 1000000000.0f},
    {~0ULL, "%@ TB", 999999995904.0f},
};

} // namespace

// Leaked on purpose: formatters live until the process ends, so that text
// made during static destruction still works.
const NumberFormatter& integerFormatter()
{
    static const NumberFormatter* formatter = makeFormatter(NumberFormatter::Style::None, -1);
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
    if (bytes < 1000)
        return formatString(localizedFormat("%d bytes"), static_cast<int>(bytes));
    for (const SizeUnit& unit : kSizeUnits) {
        if (bytes < unit.limit || unit.limit == ~0ULL) {
            const float quotient = static_cast<float>(bytes) / unit.divisor;
            return formatString(localizedFormat(unit.format), stringForFloat(formatter, quotient));
        }
    }
    return {};
}

QString stringForSize(quint64 bytes)
{
    return stringForSize(bytes, sizeFormatter());
}

} // namespace sorvant
