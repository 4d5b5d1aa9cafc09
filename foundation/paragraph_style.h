#pragma once
// ParagraphStyle: the paragraph attribute of an AttributedString (stored
// under attribute::kParagraphStyle), a plain value compared member by member.
// Line-break modes and alignments keep the numbering the rest of the code
// base stores in settings and passes around:
//   line breaks  0 wrap at words, 1 wrap at characters, 2 clip,
//                3 truncate head, 4 truncate tail, 5 truncate middle
//   alignment    0 left, 1 centre, 2 right, 3 justified, 4 natural
// The interface layer lays text out from it; this layer only carries it.

#include <QList>
#include <QMetaType>

namespace sorvant {

enum class LineBreakMode : int {
    ByWordWrapping = 0,
    ByCharWrapping = 1,
    ByClipping = 2,
    ByTruncatingHead = 3,
    ByTruncatingTail = 4,
    ByTruncatingMiddle = 5,
};

enum class TextAlignment : int {
    Left = 0,
    Center = 1,
    Right = 2,
    Justified = 3,
    Natural = 4,
};

// Whether `mode` shortens a line that is too long with an ellipsis.
[[nodiscard]] constexpr bool isTruncatingLineBreakMode(LineBreakMode mode)
{
    return mode == LineBreakMode::ByTruncatingHead || mode == LineBreakMode::ByTruncatingTail
           || mode == LineBreakMode::ByTruncatingMiddle;
}

struct TextTab
{
    double location = 0.0; // points from the line's start; tabs are left-aligned
    friend bool operator==(const TextTab&, const TextTab&) = default;
};

struct ParagraphStyle
{
    LineBreakMode lineBreakMode = LineBreakMode::ByWordWrapping;
    TextAlignment alignment = TextAlignment::Natural;
    // Whether letters may be squeezed before a line is truncated.
    bool allowsDefaultTighteningForTruncation = false;
    double paragraphSpacing = 0.0; // after the paragraph
    double paragraphSpacingBefore = 0.0;
    double minimumLineHeight = 0.0; // 0: no minimum
    double maximumLineHeight = 0.0; // 0: no maximum
    double lineSpacing = 0.0;
    double firstLineHeadIndent = 0.0;
    double headIndent = 0.0;
    double tailIndent = 0.0;
    double defaultTabInterval = 0.0;
    // The default style has twelve left tabs every 28 points.
    QList<TextTab> tabStops = defaultTabStops();

    [[nodiscard]] static QList<TextTab> defaultTabStops()
    {
        QList<TextTab> tabs;
        for (int index = 1; index <= 12; ++index)
            tabs.append(TextTab{28.0 * index});
        return tabs;
    }
    // The style text has when it carries none.
    [[nodiscard]] static ParagraphStyle defaultParagraphStyle() { return {}; }

    friend bool operator==(const ParagraphStyle&, const ParagraphStyle&) = default;
};

} // namespace sorvant

Q_DECLARE_METATYPE(sorvant::ParagraphStyle)
