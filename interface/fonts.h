#pragma once
// The toolkit's fonts by role, defined once. The system font is the
// application font (the desktop's, unless the application set its own) at
// the system size; the small forms use the small size, the label font the
// label size. Sizes are in points and follow the desktop: the system size
// is the application font's, the others keep the platform's proportions
// 13 : 11 : 10 to it.
//   application font 13 pt => 13, 11, 10
//   application font 10 pt => 10, 8.46, 7.69
//   no GUI application     => 13, 11, 10
// Tests set an explicit family with setSystemFontFamily() before they
// measure text.
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
