#pragma once
// Image: a picture as a list of representations (image_representations.h)
// with a size in points, the scales-when-resized and template flags, a name
// and a background colour. An Image is a handle: copies share one picture,
// so a flag set through one copy is seen through all (isSameImage tells two
// handles of one picture apart from equal pictures). A default Image is nil.
//
// Also here: the named-image caches (256 images each, with their sets of
// names not found and each warning logged once), images referencing a file,
// symbol images, the representation queries, the best data to save and the
// drawing shortcuts. Making, scaling and rendering are in image_loading.h.
//
//   cachedImageNamed("magnifier")   => the shipped picture, cached
//   cachedImageNamed("nope")        => nil, "WARNING: Couldn't find image named nope" once
//   imageWithSymbolName("qx.eye")   => from the application's pictures
//   imageWithSymbolName("gear")     => from the icon theme, else shipped

#include "foundation/color.h"
#include "interface/image_representations.h"

#include <QList>
#include <QMimeData>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace sorvant {

struct Shadow;

// Compositing operations in the toolkit's numbering.
enum class CompositingOperation : int {
    Clear = 0,
    Copy = 1,
    SourceOver = 2,
    SourceIn = 3,
    SourceOut = 4,
    SourceAtop = 5,
    DestinationOver = 6,
    DestinationIn = 7,
    DestinationOut = 8,
    DestinationAtop = 9,
    XOR = 10,
    PlusDarker = 11,
    PlusLighter = 13,
};
[[nodiscard]] QPainter::CompositionMode toCompositionMode(CompositingOperation operation);

class Image
{
public:
    Image() = default; // nil
    // A new empty picture of `size` points.
    [[nodiscard]] static Image withSize(QSizeF size);
    // A new picture from pixels (nil for null pixels); the size is the
    // pixel size.
    [[nodiscard]] static Image withBitmap(const QImage& pixels);

    [[nodiscard]] bool isNull() const { return !m_data; }
    explicit operator bool() const { return !isNull(); }
    // Whether both handles are the one picture.
    [[nodiscard]] bool isSameImage(const Image& other) const { return m_data == other.m_data; }
    // A new picture with the same representations and settings.
    [[nodiscard]] Image copy() const;

    // --- the picture -------------------------------------------------------------
    // The size in points: set, or else the first representation's size.
    [[nodiscard]] QSizeF size() const;
    void setSize(QSizeF size);
    [[nodiscard]] const QList<ImageRep>& representations() const;
    void addRepresentation(const ImageRep& rep);
    void removeRepresentationAt(qsizetype index);
    void removeAllRepresentations();
    [[nodiscard]] bool scalesWhenResized() const;
    void setScalesWhenResized(bool scales);
    [[nodiscard]] bool isTemplate() const;
    void setTemplate(bool isTemplate);
    [[nodiscard]] QString name() const;
    void setName(const QString& name);
    // The colour behind drawn pixels; clear by default.
    [[nodiscard]] Color backgroundColor() const;
    void setBackgroundColor(const Color& color);
    // A file read on first need (imageAtPath).
    [[nodiscard]] QString referencedFile() const;

    // The representation to draw in `rect` (points): a bitmap with at least
    // the pixels the rect needs, else the largest bitmap, else the first
    // vector; nullptr without representations.
    [[nodiscard]] const ImageRep* bestRepresentationForRect(QRectF rect) const;

    // Draws part `from` (the zero rect: all) of the picture into `rect`.
    void drawInRect(QPainter& painter, QRectF rect, QRectF from, CompositingOperation operation,
                    double fraction) const;
    // Draws `rep` filling `rect`.
    void drawRepresentation(QPainter& painter, const ImageRep& rep, QRectF rect) const;

private:
    struct Data;
    void loadReferencedFile() const;
    std::shared_ptr<Data> m_data;
    friend Image imageAtPath(const QString& path);
};

// --- named images ---------------------------------------------------------------
// The application's named pictures: shipped drawings under ":/images/" as
// "<name>.svg" or "<name>.png"; nil when there is none.
[[nodiscard]] Image imageNamed(const QString& name);
// The named-image cache: a hit, or nil for a name found missing before, or
// a fresh lookup (vector pictures cached as bitmaps). With `log`, a missing
// name logs "WARNING: Couldn't find image named <name>" the first time.
[[nodiscard]] Image cachedImageNamed(const QString& name, bool log = true);
// A copy of the cached image made smaller (never larger) to fit `size`.
[[nodiscard]] Image cachedImageNamed(const QString& name, QSizeF size);

// A folder of pictures with an identifier, standing for a bundle.
struct ImageBundle
{
    QString identifier; // empty: the bundle has none
    QString name;
    QStringList directories;
    // The file of the picture `name` ("<dir>/<name>.<ext>" for the known
    // extensions, or the name itself when it has one); null when none.
    [[nodiscard]] QString pathForImageResource(const QString& name) const;
};
[[nodiscard]] Image imageNamed(const QString& name, const ImageBundle& bundle);
// The bundle-image cache, keyed "<identifier>-<name>"; names missing from any
// bundle are remembered by name alone.
[[nodiscard]] Image cachedImageNamed(const QString& name, const ImageBundle& bundle, bool log = true);
// Forgets both caches and not-found sets (tests and theme switches).
void clearImageCaches();

// A picture that reads `path` when first drawn or measured; named `path`.
[[nodiscard]] Image imageAtPath(const QString& path);
// A symbol image: "qx." names from the application's pictures, others from
// the symbol table; nil when unknown. `pointSize` sizes the symbol (default 16).
[[nodiscard]] Image imageWithSymbolName(const QString& name, std::optional<double> pointSize = std::nullopt);

// --- flags --------------------------------------------------------------------------
[[nodiscard]] bool scales(const Image& image);
void setScales(Image image, bool scales);

// --- representation queries ---------------------------------------------------------
// The first representation of each kind (nullptr when none); PDFImageRep
// answers no EPS form, as EPS has none here.
[[nodiscard]] const ImageRep* PDFImageRep(const Image& image);
[[nodiscard]] const ImageRep* EPSImageRep(const Image& image);
[[nodiscard]] const ImageRep* PICTImageRep(const Image& image);
[[nodiscard]] const ImageRep* bitmapImageRep(const Image& image);
[[nodiscard]] const ImageRep* symbolImageRep(const Image& image);
// Icon-reference bitmaps do not exist here: always nullptr and NO.
[[nodiscard]] const ImageRep* iconRefBitmapImageRep(const Image& image);
[[nodiscard]] bool isIconRefBitmapImage(const Image& image);
// The first representation of the class `kind`, or nullptr; the kinds are
// the representation classes here, none derived from another.
//   (PNG then PDF, Kind::PDF) => the PDF    (PNG, Kind::SVG) => nullptr
[[nodiscard]] const ImageRep* imageRepOfClass(const Image& image, ImageRep::Kind kind);
[[nodiscard]] bool isPDFImage(const Image& image); // a PDF or an EPS representation
[[nodiscard]] bool isEPSImage(const Image& image);
[[nodiscard]] bool isPICTImage(const Image& image);
[[nodiscard]] bool isBitmapImage(const Image& image);
[[nodiscard]] bool isSymbolImage(const Image& image);
[[nodiscard]] bool isScalableImage(const Image& image); // PDF or PICT (SVG too: it scales)
// Pixels always come as bitmaps here: the same as isBitmapImage.
[[nodiscard]] bool isCGImage(const Image& image);

// The first bitmap, else one rendered from the picture; invalid when none.
[[nodiscard]] ImageRep createBitmapImageRepIfNecessary(const Image& image);
// The data to save: PDF, else EPS, else PICT as stored, else LZW TIFF;
// `extension` (when given) receives "pdf", "eps", "pict" or "tiff".
[[nodiscard]] QByteArray bestRepresentationAndFileExtension(const Image& image, QString* extension);
[[nodiscard]] QByteArray bestRepresentation(const Image& image);
[[nodiscard]] QString pathExtensionForBestRepresentation(const Image& image);
// The best representation for the whole picture encoded as `type`.
[[nodiscard]] QByteArray representationUsingType(const Image& image, BitmapImageFileType type, double compression);

// The MIME type under which images travel as TIFF data.
inline constexpr char kTIFFPasteboardType[] = "image/tiff";
// The image as a lazy provider of pasteboard data: for the TIFF type it puts
// its TIFF data on `pasteboard`; any other type is ignored.
void provideDataForType(const Image& image, QMimeData& pasteboard, const QString& type);

// --- drawing shortcuts ------------------------------------------------------------------
// Drawn into `painter` at the picture's size (the whole picture, fraction 1
// unless given). Flipped forms draw mirrored top to bottom in the same rect.
void drawAtPoint(const Image& image, QPainter& painter, QPointF point, CompositingOperation operation,
                 double fraction = 1.0, QRectF from = {});
void drawFlippedInRect(const Image& image, QPainter& painter, QRectF rect, CompositingOperation operation,
                       double fraction = 1.0, QRectF from = {});
void drawFlippedAtPoint(const Image& image, QPainter& painter, QPointF point, CompositingOperation operation,
                        double fraction = 1.0);
// The whole picture scaled into `rect`, flipped or not; `scales` is on for
// the drawing and restored afterwards.
void drawScaledInRect(const Image& image, QPainter& painter, QRectF rect, bool flip, CompositingOperation operation,
                      double fraction = 1.0);
// The same with a shadow, drawn only when the painter draws to the screen.
void drawScaledInRect(const Image& image, QPainter& painter, QRectF rect, bool flip, CompositingOperation operation,
                      double fraction, const Shadow* shadow);
void drawScaledInRect(const Image& image, QPainter& painter, QRectF rect, bool flip, CompositingOperation operation,
                      bool withShadow);

// --- the desktop's icon theme -------------------------------------------------------------

// Files and folders show the icons of the theme the desktop chose
// (system/icon_theme.h useDesktopIconTheme: what the user set first, Qt's
// platform theme's name after it). Set at once; when the desktop's later answer changes it,
// the icon caches are emptied, the views that show type icons are told
// (typeIconsDidLoad) and every window is drawn again. Call once, with the
// application made.
void followDesktopIconTheme();

} // namespace sorvant
