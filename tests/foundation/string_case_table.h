#pragma once
// A row of a table-driven test of a string transform: the input, the
// expected result (nullptr for a null string) and whether the result must be
// the receiver itself or a string of its own.

#include "tests/foundation/text_test_support.h"

#include <QString>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace sorvant::test {

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

// A failing row prints as its name, input and expected result.
inline void PrintTo(const StringCase& row, std::ostream* out)
{
    *out << row.name << ": " << utf8(stringOrNull(row.input)) << " => " << utf8(stringOrNull(row.expected));
}


inline void expectCase(const StringCase& row)
{
    const QString input = stringOrNull(row.input);
    const QString result = row.transform(input);
    EXPECT_EQ(utf8(result), utf8(stringOrNull(row.expected)));
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

} // namespace sorvant::test
