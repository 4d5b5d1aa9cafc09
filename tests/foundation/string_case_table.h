#pragma once
// A row of a table-driven test of a string transform: the input, the
// expected result (nullptr for a null string) and whether the result must be
// the receiver itself or a string of its own.

#include <QString>

#include <gtest/gtest.h>

#include <string>

namespace sorvant::testing_support {

enum class Identity { Receiver, NewString, Either };

struct StringCase
{
    const char* name;
    QString (*transform)(const QString&);
    const char16_t* input;     // nullptr: a null string
    const char16_t* expected;  // nullptr: a null string
    Identity identity;
};

inline QString stringOrNull(const char16_t* text)
{
    return text ? QString::fromUtf16(text) : QString();
}

// A readable form for failure messages, null told apart from empty.
inline std::string shown(const QString& string)
{
    return string.isNull() ? std::string("<null>") : '"' + string.toStdString() + '"';
}

// Whether `result` is `input` itself: the same storage, not an equal copy.
inline bool isSameString(const QString& result, const QString& input)
{
    return result.isSharedWith(input) || (result.constData() == input.constData() && result.size() == input.size());
}

inline void expectCase(const StringCase& row)
{
    const QString input = stringOrNull(row.input);
    const QString result = row.transform(input);
    EXPECT_EQ(shown(result), shown(stringOrNull(row.expected)));
    if (row.identity == Identity::Receiver) {
        EXPECT_TRUE(isSameString(result, input)) << "expected the receiver itself";
    } else if (row.identity == Identity::NewString) {
        EXPECT_FALSE(isSameString(result, input)) << "expected a string of its own";
    }
}

inline std::string caseName(const ::testing::TestParamInfo<StringCase>& info)
{
    return info.param.name;
}

} // namespace sorvant::testing_support
