// libFuzzer entry point for the Markdown scanners: random bytes become a
// text (UTF-8) and a range; the plain-run walk, the markup enumeration (with
// and without math), the markup test and the toggling run over them.
// Beside the sanitizers it checks that every reported range lies inside the
// text and that a toggle's replacement range does too.

#include "tools/fuzz/fuzz_support.h"
#include "web/toolkit/markdown_markup.h"
#include "web/toolkit/markdown_scanning.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace {

using namespace sorvant;

void require(bool condition, const char* what)
{
    sorvant::fuzz::require(condition, "critic_markup_fuzz", what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3 || size > 1024 * 1024)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));
    const qsizetype length = text.size();
    const Range range = length == 0 ? Range{0, 0} : Range{data[0] % (length + 1), 0};
    const Range selection{range.location, length == 0 ? 0 : data[1] % (length - range.location + 1)};

    enumerateMarkdownInRange(text, Range{0, length}, (data[0] & 1) != 0,
                             [&](const unichar*, qsizetype location, qsizetype runLength) {
                                 require(location >= 0 && runLength > 0 && location + runLength <= length,
                                         "a plain run leaves the text");
                                 return false;
                             });
    for (const bool math : {false, true}) {
        enumerateCriticMarkupUsingHandler(
            text,
            [&](const QString& whole, Range reported, qsizetype, const QString&, CriticMarkupType, MarkdownStyle, int) {
                require(&whole == &text, "another text reported");
                require(reported.location >= 0 && reported.length >= 0 && reported.maxRange() <= length,
                        "a report leaves the text");
                return false;
            },
            math);
    }
    Range effective;
    const bool found =
        containsCriticMarkupType(text, kCriticMarkupNone, kMarkdownEmphasis | kMarkdownStrong, selection, &effective);
    require(found != effective.isMissing(), "a found markup without its range");
    require(effective.isMissing() || effective.maxRange() <= length, "the effective range leaves the text");
    const QStringList markers{QStringLiteral("*"), QStringLiteral("_")};
    Range replacement;
    Range selected;
    const QString toggled = stringByTogglingMarkupWithPrefixes(text, markers, markers, kCriticMarkupNone,
                                                               (data[1] & 1) ? kMarkdownStrong : kMarkdownEmphasis,
                                                               selection, &replacement, &selected);
    if (!toggled.isNull())
        require(!replacement.isMissing() && replacement.maxRange() <= length, "the replacement leaves the text");
    return 0;
}
