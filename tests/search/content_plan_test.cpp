// Tests of the plan of a content search (search/content_plan.h): the
// literal text every match of a regular expression holds.

#include "search/content_plan.h"

#include <gtest/gtest.h>

#include <QList>
#include <QString>

#include <utility>

namespace sorvant {
namespace {

TEST(RequiredLiteralTest, Table)
{
    const QList<std::pair<QString, QString>> rows = {
        {u"report"_qs, u"report"_qs},       {u"foo(bar|baz)+qux"_qs, u"foo"_qs}, {u"ab?c"_qs, u"a"_qs},
        {u"a|b"_qs, QString()},             {u"ab*cd"_qs, u"cd"_qs},              {u"x{2}yz"_qs, u"yz"_qs},
        {u"\\$price\\.tag"_qs, u"$price.tag"_qs}, {u"\\bword\\b"_qs, u"word"_qs}, {u"(?i)abc"_qs, QString()},
        {u"[a-z]+ing"_qs, u"ing"_qs},       {u"[]x]yy"_qs, u"yy"_qs},              {u"\\x41bc"_qs, QString()},
        {u"^line$"_qs, u"line"_qs},         {u"a.b"_qs, u"a"_qs},                 {u"(a)|b"_qs, QString()},
        {u"ab+"_qs, u"ab"_qs},              {u"\\Qa|b\\E"_qs, QString()},          {u"(?:x)yz"_qs, u"yz"_qs},
        {u""_qs, QString()},                {u"\U0001F600?z"_qs, u"z"_qs},
    };
    for (const auto& [pattern, literal] : rows) {
        SCOPED_TRACE(pattern.toStdString());
        EXPECT_EQ(requiredLiteral(pattern), literal);
    }
}

} // namespace
} // namespace sorvant
