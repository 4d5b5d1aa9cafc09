#pragma once
// ParagraphStyle: the value an attributed text keeps under "ParagraphStyle":
// line-break mode, spacing, line heights and tab stops. Compared by value.

#include <QList>
#include <QMetaType>

namespace sorvant {

struct ParagraphStyle
{
    int lineBreakMode = 0;   // 0 word wrapping
    double paragraphSpacing = 0;
    double paragraphSpacingBefore = 0;
    double minimumLineHeight = 0;
    double maximumLineHeight = 0;
    double defaultTabInterval = 0;
    QList<double> tabStops{28, 56, 84, 112, 140, 168, 196, 224, 252, 280, 308, 336};   // left stops, in points

    friend bool operator==(const ParagraphStyle&, const ParagraphStyle&) = default;
};

// The default style with word wrapping (line-break mode 0).
[[nodiscard]] ParagraphStyle defaultParagraphStyleWithWordWrapping();
// No default stops; `count` left stops at interval, 2 × interval, ...
//   (36, 3) => stops {36, 72, 108}
[[nodiscard]] ParagraphStyle defaultParagraphStyleWithTabStopInterval(double interval, int count);

} // namespace sorvant

Q_DECLARE_METATYPE(sorvant::ParagraphStyle)
