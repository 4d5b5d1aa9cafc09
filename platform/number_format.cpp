#include "platform/number_format.h"

#include <unicode/unum.h>

#include <iterator>
#include <mutex>

namespace sorvant {

struct NumberFormatter::Private
{
    // ICU's C formatter keeps scratch state while formatting, so calls on one
    // formatter are serialised.
    mutable std::mutex mutex;
    UNumberFormat* format = nullptr;

    ~Private()
    {
        if (format)
            unum_close(format);
    }

    // Formats into a stack buffer, or when the text is longer (a huge
    // double with grouping runs to hundreds of units) into one of its size.
    template <typename Call>
    QString text(Call call) const
    {
        if (!format)
            return QString("");
        std::lock_guard lock(mutex);
        UChar buffer[128];
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = call(buffer, int32_t(std::size(buffer)), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR && length > 0) {
            QString large(length, Qt::Uninitialized);
            status = U_ZERO_ERROR;
            call(reinterpret_cast<UChar*>(large.data()), length, &status);
            return U_FAILURE(status) ? QString("") : large;
        }
        if (U_FAILURE(status) || length < 0 || length > int32_t(std::size(buffer)))
            return QString("");
        return QString(reinterpret_cast<const QChar*>(buffer), length);
    }

    void setAttribute(UNumberFormatAttribute attribute, int32_t value)
    {
        std::lock_guard lock(mutex);
        if (format)
            unum_setAttribute(format, attribute, value);
    }
};

NumberFormatter::NumberFormatter(Style style, const QString& localeIdentifier) : d(std::make_unique<Private>())
{
    const QByteArray locale = localeIdentifier.toUtf8();
    UErrorCode status = U_ZERO_ERROR;
    d->format = unum_open(UNUM_DECIMAL, nullptr, 0, locale.isEmpty() ? nullptr : locale.constData(), nullptr,
                          &status);
    if (U_FAILURE(status)) {
        d->format = nullptr;
        return;
    }
    d->setAttribute(UNUM_ROUNDING_MODE, UNUM_ROUND_HALFEVEN);
    d->setAttribute(UNUM_MIN_FRACTION_DIGITS, 0);
    if (style == Style::None) {
        d->setAttribute(UNUM_MAX_FRACTION_DIGITS, 0);
        d->setAttribute(UNUM_GROUPING_USED, 0);
    }
}

NumberFormatter::~NumberFormatter() = default;

bool NumberFormatter::isValid() const
{
    return d->format != nullptr;
}

void NumberFormatter::setMaximumFractionDigits(int digits)
{
    d->setAttribute(UNUM_MAX_FRACTION_DIGITS, digits);
}

void NumberFormatter::setUsesGroupingSeparator(bool uses)
{
    d->setAttribute(UNUM_GROUPING_USED, uses ? 1 : 0);
}

void NumberFormatter::setGroupingSize(int size)
{
    d->setAttribute(UNUM_GROUPING_SIZE, size);
}

QString NumberFormatter::stringFromInteger(qint64 value) const
{
    return d->text([&](UChar* buffer, int32_t capacity, UErrorCode* status) {
        return unum_formatInt64(d->format, value, buffer, capacity, nullptr, status);
    });
}

QString NumberFormatter::stringFromDouble(double value) const
{
    return d->text([&](UChar* buffer, int32_t capacity, UErrorCode* status) {
        return unum_formatDouble(d->format, value, buffer, capacity, nullptr, status);
    });
}

} // namespace sorvant
