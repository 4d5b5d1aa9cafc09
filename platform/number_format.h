#pragma once
// NumberFormatter: locale-aware number text from ICU's number formatters,
// with the settings the toolkit's formatters use. Rounding is half to even;
// no minimum fraction digits are set, so whole values show no fraction.
//   NumberFormatter f(NumberFormatter::Style::Decimal, "en_US");
//   f.setMaximumFractionDigits(1);
//   f.stringFromDouble(1.25)     => "1.2"
//   f.stringFromDouble(1.0)      => "1"
//   f.stringFromDouble(999.99)   => "1,000"
//   f.stringFromInteger(-12345)  => "-12,345"
// A formatter is safe to use from several threads.

#include <QString>

#include <memory>

namespace sorvant {

class NumberFormatter
{
public:
    enum class Style {
        None,    // integers only: no fraction digits, no grouping unless set
        Decimal, // the locale's decimal style
    };

    // A formatter for `localeIdentifier` (an ICU or POSIX name such as
    // "de_DE"); the empty name means the current locale (from LC_ALL,
    // LC_NUMERIC, LANG).
    explicit NumberFormatter(Style style, const QString& localeIdentifier = {});
    ~NumberFormatter();
    NumberFormatter(const NumberFormatter&) = delete;
    NumberFormatter& operator=(const NumberFormatter&) = delete;

    // NO when ICU could not make the formatter; every text is then "".
    [[nodiscard]] bool isValid() const;

    void setMaximumFractionDigits(int digits);
    void setUsesGroupingSeparator(bool uses);
    void setGroupingSize(int size);

    // The text of a number; "" when it cannot be made.
    [[nodiscard]] QString stringFromInteger(qint64 value) const;
    [[nodiscard]] QString stringFromDouble(double value) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace sorvant
