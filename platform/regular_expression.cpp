#include "platform/regular_expression.h"

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

} // namespace

RegularExpression RegularExpression::compile(const QString& pattern, unsigned options, QString* errorMessage)
{
    if (errorMessage)
        errorMessage->clear();
    RegularExpression expression;
    uint32_t flags = 0;
    if (pattern.isEmpty() || !icuFlagsForOptions(options, &flags)) {
        if (errorMessage)
            *errorMessage = pattern.isEmpty() ? QStringLiteral("empty pattern")
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
            *errorMessage = QStringLiteral("%1 at offset %2").arg(QLatin1String(u_errorName(status))).arg(where.offset);
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
