#include "platform/localized_text.h"

#include "platform/regular_expression.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// A table of two German entries; null for the rest.
QString germanText(const QString& key)
{
    if (key == QLatin1String("%1 at character %2"))
        return QStringLiteral("%1 bei Zeichen %2");
    if (key == QLatin1String("a bracket [ is not closed"))
        return QStringLiteral("eine eckige Klammer [ ist nicht geschlossen");
    return {};
}

// Installs a lookup for one test and puts the previous one back.
class LocalizedText : public testing::Test
{
protected:
    void TearDown() override { setTextLookup(m_previous); }
    void install(TextLookup lookup) { setTextLookup(lookup); }

private:
    TextLookup m_previous = setTextLookup(nullptr);
};

TEST_F(LocalizedText, KeyWithoutLookupOrEntry)
{
    EXPECT_EQ(localizedText(QStringLiteral("a bracket [ is not closed")), "a bracket [ is not closed");
    EXPECT_TRUE(localizedText(QString()).isNull());
    install(&germanText);
    EXPECT_EQ(localizedText(QStringLiteral("no entry")), "no entry");
    EXPECT_EQ(localizedText(QString("")), "");
    EXPECT_TRUE(localizedText(QString()).isNull());
}

// The pattern errors are the interface's texts: they reach the tables.
TEST_F(LocalizedText, PatternErrorIsLookedUp)
{
    install(&germanText);
    QString error;
    EXPECT_FALSE(RegularExpression::compile(QStringLiteral("file-(["), 0, &error).isValid());
    EXPECT_EQ(error, "eine eckige Klammer [ ist nicht geschlossen bei Zeichen 7");
    // A phrase without an entry stays English in the translated frame.
    EXPECT_FALSE(RegularExpression::compile(QStringLiteral("a)"), 0, &error).isValid());
    EXPECT_EQ(error, "the parentheses ( ) do not match bei Zeichen 2");
}

} // namespace
} // namespace sorvant
