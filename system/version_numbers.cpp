#include "system/version_numbers.h"

#include "foundation/values.h"
#include "platform/log.h"

namespace sorvant {

QStringList comparableComponentsOfVersionNumber(const QString& version)
{
    QString text = version.trimmed();
    static const std::pair<const char*, const char*> kSuffixes[] = {
        {"alpha", ".-5."}, {"build", ".-4."}, {"beta", ".-3."}, {"rc", ".-2."}, {"pb", ".-1."},
    };
    for (const auto& [suffix, replacement] : kSuffixes)
        text.replace(QLatin1String(suffix), QLatin1String(replacement), Qt::CaseInsensitive);
    return text.split(u'.');
}

int compareToVersionNumber(const QString& version, const QString& other)
{
    const QStringList left = comparableComponentsOfVersionNumber(version);
    const QStringList right = comparableComponentsOfVersionNumber(other);
    const qsizetype count = qMax(left.size(), right.size());
    for (qsizetype i = 0; i < count; ++i) {
        const qint64 a = i < left.size() ? integerValue(left.at(i)) : 0;
        const qint64 b = i < right.size() ? integerValue(right.at(i)) : 0;
        if (a != b)
            return a > b ? 1 : -1;
    }
    return 0;
}

bool testVersionNumberComparison()
{
    static const struct {
        const char* version;
        const char* other;
        int expected;
    } kCases[] = {
        {"1.1", "1.0.4", 1},          {"1.0.4", "1.0.3", 1},      {"1.0", "1.0build1", 1},
        {"1.0.1build1", "1.0build1", 1}, {"1.0beta1", "1.0build1", 1}, {"1.0.4", "1.0build1", 1},
        {"1.0.4", "1.0.4", 0},        {"1.0build1", "1.0build1", 0}, {"2.9.2", "2.9.2build1", 1},
        {"2.9.2build1", "2.9.1", 1},  {"2.9.2", "2.9.1", 1},
    };
    bool passed = true;
    for (const auto& row : kCases) {
        if (compareToVersionNumber(QLatin1String(row.version), QLatin1String(row.other)) != row.expected) {
            logError(QStringLiteral("version comparison failed: compareToVersionNumber(\"%1\", \"%2\") %3")
                         .arg(QLatin1String(row.version), QLatin1String(row.other),
                              QLatin1String(row.expected ? "> 0" : "== 0")));
            passed = false;
        }
    }
    return passed;
}

} // namespace sorvant
