#pragma once
// Color: a colour as its components in a named colour space, compared
// exactly. Components are doubles kept as given (never clamped, never
// quantised), so a colour made from (0.1, 0.2, 0.3) answers 0.1, 0.2 and 0.3
// and two colours are equal only when space and every component are. This is
// why the toolkit does not use the GUI's 16-bit colour type for its
// arithmetic; interface/colors.h converts to it for painting.
//
// Colour spaces:
//   DeviceRGB, CalibratedRGB     red, green, blue, alpha
//   DeviceWhite, CalibratedWhite white, alpha
//   DeviceCMYK                   cyan, magenta, yellow, black, alpha
//   Named                        a catalogue colour: catalogue and colour name,
//                                with the device RGB colour it stands for when
//                                known (a lookup table of an upper layer)
//   Pattern                      an image tile (any QVariant an upper layer fills)
//
// A default-constructed Color is null: it stands for a missing colour ("nil").
// Component readers of the wrong space answer 0 rather than fail.
//
//   Color::deviceRGB(1, 0.5, 0).redComponent()          => 1
//   Color::calibratedWhite(0.25).colorUsingColorSpace(DeviceRGB)
//                                                       => device RGB (0.25, 0.25, 0.25)
//   Color::pattern(tile).colorUsingColorSpace(DeviceRGB) => null
//   Color::deviceRGB(0.1, 0, 0) == Color::calibratedRGB(0.1, 0, 0) => false

#include <QMetaType>
#include <QString>
#include <QVariant>

#include <array>
#include <memory>

namespace sorvant {

class Color
{
public:
    enum class ColorSpace : quint8 {
        None, // the null colour
        DeviceRGB,
        CalibratedRGB,
        DeviceWhite,
        CalibratedWhite,
        DeviceCMYK,
        Named,
        Pattern,
    };

    // --- making -----------------------------------------------------------
    Color() = default;
    [[nodiscard]] static Color deviceRGB(double red, double green, double blue, double alpha = 1.0);
    [[nodiscard]] static Color calibratedRGB(double red, double green, double blue, double alpha = 1.0);
    [[nodiscard]] static Color deviceWhite(double white, double alpha = 1.0);
    [[nodiscard]] static Color calibratedWhite(double white, double alpha = 1.0);
    [[nodiscard]] static Color deviceCMYK(double cyan, double magenta, double yellow, double black,
                                          double alpha = 1.0);
    // A catalogue colour; `resolved` (converted to device RGB, null when
    // unknown) is what conversions to other spaces answer.
    [[nodiscard]] static Color named(const QString& catalogName, const QString& colorName,
                                     const Color& resolved);
    [[nodiscard]] static Color named(const QString& catalogName, const QString& colorName);
    [[nodiscard]] static Color pattern(const QVariant& image);

    // The common colours, as the toolkit names them: black, white, grey
    // tones and clear are calibrated white; the primaries calibrated RGB.
    [[nodiscard]] static Color blackColor() { return calibratedWhite(0.0); }
    [[nodiscard]] static Color whiteColor() { return calibratedWhite(1.0); }
    [[nodiscard]] static Color darkGrayColor() { return calibratedWhite(1.0 / 3.0); }
    [[nodiscard]] static Color grayColor() { return calibratedWhite(0.5); }
    [[nodiscard]] static Color lightGrayColor() { return calibratedWhite(2.0 / 3.0); }
    [[nodiscard]] static Color clearColor() { return calibratedWhite(0.0, 0.0); }
    [[nodiscard]] static Color redColor() { return calibratedRGB(1, 0, 0); }
    [[nodiscard]] static Color greenColor() { return calibratedRGB(0, 1, 0); }
    [[nodiscard]] static Color blueColor() { return calibratedRGB(0, 0, 1); }
    [[nodiscard]] static Color yellowColor() { return calibratedRGB(1, 1, 0); }

    // --- observers --------------------------------------------------------
    [[nodiscard]] bool isNull() const { return m_space == ColorSpace::None; }
    [[nodiscard]] ColorSpace colorSpace() const { return m_space; }
    // "DeviceRGB", "CalibratedRGB", "DeviceWhite", "CalibratedWhite",
    // "DeviceCMYK", "Named", "Pattern"; the empty string for null.
    [[nodiscard]] QString colorSpaceName() const;
    [[nodiscard]] bool isRGB() const
    {
        return m_space == ColorSpace::DeviceRGB || m_space == ColorSpace::CalibratedRGB;
    }
    [[nodiscard]] bool isWhite() const
    {
        return m_space == ColorSpace::DeviceWhite || m_space == ColorSpace::CalibratedWhite;
    }

    // Components of the colour's own space; 0 when the space has none of
    // that name. Alpha is 1 for named colours without a resolved value and
    // for patterns, 0 for null.
    [[nodiscard]] double redComponent() const { return isRGB() ? m_c[0] : 0.0; }
    [[nodiscard]] double greenComponent() const { return isRGB() ? m_c[1] : 0.0; }
    [[nodiscard]] double blueComponent() const { return isRGB() ? m_c[2] : 0.0; }
    [[nodiscard]] double whiteComponent() const { return isWhite() ? m_c[0] : 0.0; }
    [[nodiscard]] double cyanComponent() const { return m_space == ColorSpace::DeviceCMYK ? m_c[0] : 0.0; }
    [[nodiscard]] double magentaComponent() const { return m_space == ColorSpace::DeviceCMYK ? m_c[1] : 0.0; }
    [[nodiscard]] double yellowComponent() const { return m_space == ColorSpace::DeviceCMYK ? m_c[2] : 0.0; }
    [[nodiscard]] double blackComponent() const { return m_space == ColorSpace::DeviceCMYK ? m_c[3] : 0.0; }
    [[nodiscard]] double alphaComponent() const { return m_alpha; }
    // The components in order, alpha last; empty for named, pattern and null.
    //   deviceCMYK(0.1, 0.2, 0.3, 0.4, 0.5) => {0.1, 0.2, 0.3, 0.4, 0.5}
    [[nodiscard]] QList<double> components() const;
    [[nodiscard]] int numberOfComponents() const;

    [[nodiscard]] QString catalogNameComponent() const { return m_catalog; }
    [[nodiscard]] QString colorNameComponent() const { return m_name; }
    [[nodiscard]] QVariant patternImage() const { return m_pattern; }

    // --- conversions ------------------------------------------------------

    // The colour in `space`, or null when there is no conversion (patterns,
    // named colours without a resolved value, any colour to Named or
    // Pattern but itself). Device and calibrated spaces share their
    // numbers. RGB to white is the luma 0.299 r + 0.587 g + 0.114 b; CMYK to
    // RGB is r = 1 - min(1, c + k) and back k = min(1-r, 1-g, 1-b),
    // c = 1 - r - k, and so on.
    [[nodiscard]] Color colorUsingColorSpace(ColorSpace space) const;
    // The same colour with another alpha; null stays null.
    [[nodiscard]] Color colorWithAlphaComponent(double alpha) const;

    // "DeviceRGB 1 0.5 0 1", "Named System labelColor", "(null)" - for logs
    // and test output.
    [[nodiscard]] QString description() const;

    friend bool operator==(const Color& a, const Color& b);

private:
    ColorSpace m_space = ColorSpace::None;
    std::array<double, 4> m_c{};
    double m_alpha = 0.0;
    QString m_catalog;
    QString m_name;
    QVariant m_pattern;
    std::shared_ptr<const Color> m_resolved; // of a named colour, when known
};

} // namespace sorvant

Q_DECLARE_METATYPE(sorvant::Color)
