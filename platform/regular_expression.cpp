#include "platform/regular_expression.h"

#include "platform/localized_text.h"

#include <unicode/uregex.h>
#include <unicode/utypes.h>

#include <utility>

namespace sorvant {

// The compiled pattern, never matched directly: ICU matchers carry their
// text and position, so each search clones it (the clone shares the
// pattern's compiled form).
struct RegularExpression::Compiled
{
    URegularExpression* regex = nullptr;
    ~Compiled() { uregex_close(regex); }
};

namespace {

// The system's compile options, each translated to ICU's flag of the same
// meaning. The numbers differ (ICU's 16 is "literal", its 8 "multiline"),
// so this table is the only place where the two meet.
struct OptionName
{
    unsigned option;
    uint32_t icuFlag;
};
constexpr OptionName kOptionNames[] = {
    {kRegexCaseInsensitive, UREGEX_CASE_INSENSITIVE},
    {kRegexAllowCommentsAndWhitespace, UREGEX_COMMENTS},
    {kRegexIgnoreMetacharacters, UREGEX_LITERAL},
    {kRegexDotMatchesLineSeparators, UREGEX_DOTALL},
    {kRegexAnchorsMatchLines, UREGEX_MULTILINE},
    {kRegexUseUnixLineSeparators, UREGEX_UNIX_LINES},
    {kRegexUseUnicodeWordBoundaries, UREGEX_UWORD},
};

// ICU's flags for `options`; false when a bit has no meaning.
bool icuFlagsForOptions(unsigned options, uint32_t* flags)
{
    *flags = 0;
    unsigned known = 0;
    for (const OptionName& name : kOptionNames) {
        known |= name.option;
        if (options & name.option)
            *flags |= name.icuFlag;
    }
    return (options & ~known) == 0;
}

const UChar* unitsOf(const QString& string)
{
    return reinterpret_cast<const UChar*>(string.utf16());
}

struct MatcherCloser
{
    void operator()(URegularExpression* regex) const { uregex_close(regex); }
};
using Matcher = std::unique_ptr<URegularExpression, MatcherCloser>;

// The engine asks this while a match runs; answering false ends the match
// with U_REGEX_STOPPED_BY_CALLER.
UBool U_CALLCONV askStopTest(const void* context, int32_t /*steps*/)
{
    const auto* test = static_cast<const std::function<bool()>*>(context);
    return !(*test)();
}

RegularExpressionMatch readMatch(URegularExpression* matcher, int32_t groups)
{
    RegularExpressionMatch match;
    match.ranges.reserve(groups + 1);
    for (int32_t group = 0; group <= groups; ++group) {
        UErrorCode status = U_ZERO_ERROR;
        const int64_t start = uregex_start64(matcher, group, &status);
        const int64_t end = uregex_end64(matcher, group, &status);
        if (U_FAILURE(status) || start < 0)
            match.ranges.append(kMissingRange);
        else
            match.ranges.append(makeRange(start, end - start));
    }
    return match;
}

RegularExpressionStatus statusOfFailure(UErrorCode status)
{
    if (status == U_REGEX_TIME_OUT)
        return kRegexTimedOut;
    if (status == U_REGEX_STOPPED_BY_CALLER)
        return kRegexStopped;
    return kRegexFailed;
}

// Prepares a clone of `compiled` over [start, end) of `text`.
Matcher makeMatcher(URegularExpression* compiled, const QString& text, qsizetype start, qsizetype end,
                    unsigned matchingOptions, const RegularExpressionLimits& limits)
{
    UErrorCode status = U_ZERO_ERROR;
    Matcher matcher(uregex_clone(compiled, &status));
    if (U_FAILURE(status))
        return nullptr;
    // ICU wants a non-null text pointer even for an empty text.
    static const UChar kEmpty[1] = {0};
    const UChar* units = text.isEmpty() ? kEmpty : unitsOf(text);
    uregex_setText(matcher.get(), units, static_cast<int32_t>(text.size()), &status);
    uregex_setRegion64(matcher.get(), start, end, &status);
    uregex_useTransparentBounds(matcher.get(), (matchingOptions & kMatchWithTransparentBounds) != 0, &status);
    uregex_useAnchoringBounds(matcher.get(), (matchingOptions & kMatchWithoutAnchoringBounds) == 0, &status);
    uregex_setTimeLimit(matcher.get(), limits.stepLimit > 0 ? limits.stepLimit : 0, &status);
    if (limits.shouldStop)
        uregex_setMatchCallback(matcher.get(), askStopTest, &limits.shouldStop, &status);
    if (U_FAILURE(status))
        return nullptr;
    return matcher;
}

// What ICU's compile error means, said for a user; each key written out
// whole so that the tables' completeness test finds it.
QString compileErrorPhrase(UErrorCode status)
{
    switch (status) {
    case U_REGEX_MISSING_CLOSE_BRACKET:
        return localizedText(QStringLiteral("a bracket [ is not closed"));
    case U_REGEX_MISMATCHED_PAREN:
        return localizedText(QStringLiteral("the parentheses ( ) do not match"));
    case U_REGEX_BAD_ESCAPE_SEQUENCE:
        return localizedText(QStringLiteral("a backslash escape is not valid"));
    case U_REGEX_PROPERTY_SYNTAX:
        return localizedText(QStringLiteral("a character property name is not valid"));
    case U_REGEX_UNIMPLEMENTED:
        return localizedText(QStringLiteral("a construct that is not supported is used"));
    case U_REGEX_NUMBER_TOO_BIG:
        return localizedText(QStringLiteral("a number is too big"));
    case U_REGEX_OCTAL_TOO_BIG:
        return localizedText(QStringLiteral("an octal number is too big"));
    case U_REGEX_BAD_INTERVAL:
        return localizedText(QStringLiteral("a repetition in braces { } is not valid"));
    case U_REGEX_MAX_LT_MIN:
        return localizedText(QStringLiteral("a repetition's maximum is less than its minimum"));
    case U_REGEX_INVALID_BACK_REF:
        return localizedText(QStringLiteral("a back reference names a group that does not exist"));
    case U_REGEX_INVALID_FLAG:
        return localizedText(QStringLiteral("an option flag is not valid"));
    case U_REGEX_LOOK_BEHIND_LIMIT:
        return localizedText(QStringLiteral("a look-behind can match text of unlimited length"));
    case U_REGEX_SET_CONTAINS_STRING:
        return localizedText(QStringLiteral("a set in brackets [ ] contains a string"));
    case U_REGEX_INVALID_RANGE:
        return localizedText(QStringLiteral("a range in brackets [ ] is not valid"));
    case U_REGEX_PATTERN_TOO_BIG:
        return localizedText(QStringLiteral("the expression is too long"));
    case U_REGEX_INVALID_CAPTURE_GROUP_NAME:
        return localizedText(QStringLiteral("a group name is not valid"));
    case U_REGEX_RULE_SYNTAX:
        return localizedText(QStringLiteral("a character is out of place"));
    default:
        return localizedText(QStringLiteral("the expression is not valid"));
    }
}

// The 1-based character (code point) where ICU found the error; 0 where it
// names no place. ICU counts lines from 1 (a CR LF pair ends one line) and,
// as `offset`, the characters it has read of the error's line: the last of
// them is the one at fault.
qsizetype errorPosition(const QString& pattern, const UParseError& where)
{
    if (where.line < 1 || where.offset < 1)
        return 0;
    qsizetype before = 0; // characters of the lines before the error's
    int32_t line = 1;
    for (qsizetype i = 0; line < where.line && i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c.isLowSurrogate() && i > 0 && pattern[i - 1].isHighSurrogate())
            continue; // the second half of a character already counted
        ++before;
        if (c == u'\r' && i + 1 < pattern.size() && pattern[i + 1] == u'\n') {
            ++i;
            ++before;
        }
        if (c == u'\r' || c == u'\n' || c == QChar(0x85) || c == QChar(0x2028))
            ++line;
    }
    return before + where.offset;
}

QString compileErrorMessage(const QString& pattern, UErrorCode status, const UParseError& where)
{
    const QString phrase = compileErrorPhrase(status);
    const qsizetype position = errorPosition(pattern, where);
    if (position <= 0)
        return phrase;
    return localizedText(QStringLiteral("%1 at character %2")).arg(phrase, QString::number(position));
}

} // namespace

RegularExpression RegularExpression::compile(const QString& pattern, unsigned options, QString* errorMessage)
{
    if (errorMessage)
        errorMessage->clear();
    RegularExpression expression;
    uint32_t flags = 0;
    if (pattern.isEmpty() || !icuFlagsForOptions(options, &flags)) {
        if (errorMessage)
            *errorMessage = pattern.isEmpty() ? localizedText(QStringLiteral("the expression is empty"))
                                              : QStringLiteral("unknown options %1").arg(options);
        return expression;
    }
    UParseError where{};
    UErrorCode status = U_ZERO_ERROR;
    URegularExpression* regex =
        uregex_open(unitsOf(pattern), static_cast<int32_t>(pattern.size()), flags, &where, &status);
    if (U_FAILURE(status)) {
        uregex_close(regex);
        if (errorMessage)
            *errorMessage = compileErrorMessage(pattern, status, where);
        return expression;
    }
    auto compiled = std::make_shared<Compiled>();
    compiled->regex = regex;
    expression.m_compiled = std::move(compiled);
    expression.m_pattern = pattern;
    expression.m_options = options;
    return expression;
}

qsizetype RegularExpression::numberOfCaptureGroups() const
{
    if (!m_compiled)
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    Matcher matcher(uregex_clone(m_compiled->regex, &status));
    const int32_t groups = U_SUCCESS(status) ? uregex_groupCount(matcher.get(), &status) : 0;
    return U_SUCCESS(status) ? groups : 0;
}

RegularExpressionStatus RegularExpression::enumerateMatches(const QString& text, Range range,
                                                            unsigned matchingOptions,
                                                            const RegularExpressionLimits& limits,
                                                            const MatchHandler& handler) const
{
    if (!m_compiled || range.location < 0 || range.location > text.size() || range.length < 0)
        return kRegexFailed;
    const qsizetype end = range.length > text.size() - range.location ? text.size() : range.maxRange();
    Matcher matcher = makeMatcher(m_compiled->regex, text, range.location, end, matchingOptions, limits);
    if (!matcher)
        return kRegexFailed;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t groups = uregex_groupCount(matcher.get(), &status);
    const bool anchored = matchingOptions & kMatchAnchored;
    // findNext resumes at the previous match's end, and one code point
    // further only after an empty match: a match that begins right where
    // the previous one ended is never skipped.
    for (bool first = true;; first = false) {
        if (limits.shouldStop && limits.shouldStop())
            return kRegexStopped;
        const bool found = anchored ? (first && uregex_lookingAt64(matcher.get(), -1, &status))
                                    : uregex_findNext(matcher.get(), &status);
        if (U_FAILURE(status))
            return statusOfFailure(status);
        if (!found)
            return kRegexCompleted;
        if (handler && handler(readMatch(matcher.get(), groups)))
            return kRegexHandlerStop;
    }
}

QList<RegularExpressionMatch> RegularExpression::matchesInString(const QString& text, unsigned matchingOptions,
                                                                 const RegularExpressionLimits& limits) const
{
    QList<RegularExpressionMatch> matches;
    const auto status = enumerateMatches(text, makeRange(0, text.size()), matchingOptions, limits,
                                         [&matches](const RegularExpressionMatch& match) {
                                             matches.append(match);
                                             return false;
                                         });
    if (status != kRegexCompleted)
        matches.clear();
    return matches;
}

qsizetype RegularExpression::numberOfMatches(const QString& text, unsigned matchingOptions,
                                             const RegularExpressionLimits& limits) const
{
    qsizetype count = 0;
    const auto status = enumerateMatches(text, makeRange(0, text.size()), matchingOptions, limits,
                                         [&count](const RegularExpressionMatch&) {
                                             ++count;
                                             return false;
                                         });
    return status == kRegexCompleted ? count : 0;
}

Range RegularExpression::rangeOfFirstMatch(const QString& text, Range range, unsigned matchingOptions,
                                           const RegularExpressionLimits& limits) const
{
    Range first = kMissingRange;
    enumerateMatches(text, range, matchingOptions, limits, [&first](const RegularExpressionMatch& match) {
        first = match.range();
        return true;
    });
    return first;
}

Range RegularExpression::rangeOfFirstMatch(const QString& text) const
{
    return rangeOfFirstMatch(text, makeRange(0, text.size()));
}

QString RegularExpression::escapedPatternForString(const QString& text)
{
    if (text.isEmpty())
        return text;
    static const QString kSpecial = QStringLiteral("\\^$.|?*+()[]{}-#&~ \t\n\r/");
    QString escaped;
    escaped.reserve(text.size() * 2);
    for (const QChar unit : text) {
        if (kSpecial.contains(unit)) {
            if (unit == u'\t' || unit == u'\n' || unit == u'\r') {
                escaped += unit == u'\t' ? QStringLiteral("\\t") : unit == u'\n' ? QStringLiteral("\\n")
                                                                                  : QStringLiteral("\\r");
                continue;
            }
            escaped += u'\\';
        }
        escaped += unit;
    }
    return escaped;
}

} // namespace sorvant
