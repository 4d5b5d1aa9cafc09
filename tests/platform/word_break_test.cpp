#include "platform/word_break.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorvant {
namespace {

std::vector<WordToken> tokensOf(WordTokenizer& tokenizer, const QString& text, qsizetype location, qsizetype length)
{
    std::vector<WordToken> tokens;
    if (!tokenizer.setText(reinterpret_cast<const unichar*>(text.constData()), location, length))
        return tokens;
    WordToken token;
    while (tokenizer.advanceToNextToken(&token))
        tokens.push_back(token);
    return tokens;
}

TEST(WordTokenizer, TokensTileTheTargetedRange)
{
    WordTokenizer tokenizer;
    ASSERT_TRUE(tokenizer.isValid());
    const QString text = QStringLiteral("xx ab 12\u65E5\u672C\u8A9E\u3067\u3059 yy");
    for (const auto& [location, length] : {std::pair<qsizetype, qsizetype>{3, 11}, {0, text.size()}}) {
        SCOPED_TRACE(location);
        const auto tokens = tokensOf(tokenizer, text, location, length);
        ASSERT_FALSE(tokens.empty());
        qsizetype next = location;
        for (const WordToken& token : tokens) {
            EXPECT_EQ(token.location, next);
            EXPECT_GT(token.length, 0);
            next = token.location + token.length;
        }
        EXPECT_EQ(next, location + length);
    }
}

TEST(WordTokenizer, NonLetterTokensAreMarked)
{
    WordTokenizer tokenizer;
    const QString text = QStringLiteral("ab 12");
    const auto tokens = tokensOf(tokenizer, text, 0, text.size());
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_FALSE(tokens[0].hasNonLetters);
    EXPECT_TRUE(tokens[1].hasNonLetters);
    EXPECT_TRUE(tokens[2].hasNonLetters);
}

TEST(WordTokenizer, UnusableTextGivesNoTokens)
{
    WordTokenizer tokenizer;
    EXPECT_FALSE(tokenizer.setText(nullptr, 0, 3));
    EXPECT_FALSE(tokenizer.setText(u"ab", 0, 0));
    WordToken token;
    EXPECT_FALSE(tokenizer.advanceToNextToken(&token));
    EXPECT_FALSE(wordBreakLocale().isEmpty());
}

} // namespace
} // namespace sorvant
