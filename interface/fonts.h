#pragma once
// The toolkit's fonts by role, defined once. The system font is the GUI's
// general font at the system size; the small forms use the small size; the
// label font is the small size too. Sizes are in points:
//   systemFontSize() => 13     smallSystemFontSize() => 11     labelFontSize() => 10
// The family is the application's general font (on a machine without a
// desktop, the offscreen default), so tests set an explicit family with
// setSystemFontFamily() before they measure text.
//
//   boldSystemFont().bold() => true;  infoLabelFont() == smallSystemFont()

#include <QFont>
#include <QString>

namespace sorvant {

[[nodiscard]] double systemFontSize();
[[nodiscard]] double smallSystemFontSize();
[[nodiscard]] double labelFontSize();

[[nodiscard]] QFont systemFontOfSize(double size);
[[nodiscard]] QFont boldSystemFontOfSize(double size);
[[nodiscard]] QFont labelFontOfSize(double size);

[[nodiscard]] QFont systemFont();
[[nodiscard]] QFont smallSystemFont();
[[nodiscard]] QFont boldSystemFont();
[[nodiscard]] QFont smallBoldSystemFont();
[[nodiscard]] QFont labelFont();
[[nodiscard]] QFont infoLabelFont();

// Makes every role font use `family` (empty: the application's general
// font again).
void setSystemFontFamily(const QString& family);

} // namespace sorvant
