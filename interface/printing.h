#pragma once
// Printing views: the print information (page layout, pagination, centring,
// job disposition), print operations that paginate a view onto a printer or
// a PDF file, a view's PDF data and its printed (paginated) PDF data, the
// "print:" action and the base of print-dialog accessory panels.
//
// A view is printed at one point per widget pixel. Item views print all
// their rows, not only the visible ones, with no selection, no stripes and
// black text; a table's pages break at row boundaries. Views adjust their
// own printing through the hooks PrintPreparation and PrintPagination.
//
// Not here: snapshots of views (snapshots.h).

#include "interface/geometry.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPageLayout>
#include <QPointer>
#include <QString>

class QPagedPaintDevice;
class QWidget;

namespace sorvant {

// --- hooks ---------------------------------------------------------------------

// A view that changes how it looks while printed (stripes, selection).
class PrintPreparation
{
public:
    virtual ~PrintPreparation() = default;
    virtual void setPrinting(bool printing) = 0;
};

// A view that chooses where its pages break. `top` and `proposedBottom` are
// y positions in the view (y-down); the answer lies in (limit, proposedBottom].
class PrintPagination
{
public:
    virtual ~PrintPagination() = default;
    [[nodiscard]] virtual double adjustPageHeight(double top, double proposedBottom, double limit) const = 0;
};

// --- print information ----------------------------------------------------------

enum class PrintingPaginationMode { Auto, Fit, Clip };
enum class PrintJobDisposition { Spool, Save };

struct PrintInfo
{
    // Letter or A4 by the locale's measurement system, margins 72 pt at the
    // sides and 90 pt above and below.
    PrintInfo();

    // The process-wide print information. Printing copies it and never
    // changes it; only settings panels should.
    static PrintInfo& sharedPrintInfo();

    // Copies of the shared information with the pagination and centring set.
    [[nodiscard]] static PrintInfo printInfoPaginatedHorizontal(PrintingPaginationMode mode, bool centered);
    [[nodiscard]] static PrintInfo printInfoPaginatedVertical(PrintingPaginationMode mode, bool centered);
    [[nodiscard]] static PrintInfo printInfoPaginatedHorizontal(PrintingPaginationMode horizontal,
                                                                bool horizontallyCentered,
                                                                PrintingPaginationMode vertical,
                                                                bool verticallyCentered);

    // The margins that leave exactly `imageable` (y-up, in points) of a paper
    // of `paper` points: left x, right pw - (x + w), top ph - (y + h), bottom y.
    //   ({{18, 36}, {576, 720}}, {612, 792}) => left 18, right 18, top 36, bottom 36
    [[nodiscard]] static QMarginsF marginsForImageableBounds(Rect imageable, Size paper);
    // Sets the margins to the printer's minimum margins.
    void setMarginsToImageablePageBounds();

    // Prints `view` with this information: false for a null view; else true
    // at once, the print dialog shown as a window-modal sheet on the view's
    // window when `printPanel`, printing when it is accepted.
    bool printOperationWithView(QWidget* view, bool printPanel = true, bool progressPanel = true) const;

    QPageLayout pageLayout;
    PrintingPaginationMode horizontalPagination = PrintingPaginationMode::Clip;
    PrintingPaginationMode verticalPagination = PrintingPaginationMode::Auto;
    bool horizontallyCentered = true;
    bool verticallyCentered = true;
    PrintJobDisposition jobDisposition = PrintJobDisposition::Spool;
    // The PDF file written when the disposition is Save.
    QString savingPath;
};

// --- pagination ------------------------------------------------------------------

// One page: the part of the view (y-down, view pixels) and where it goes.
struct PrintPage
{
    QRectF source;
};

// The pages of `view` under `info`: rows of page-sized strips, each strip's
// bottom moved by the view's PrintPagination (or, for a table, to the last
// row boundary that keeps at least half a page). `scale` is points per view
// pixel (below 1 when the view is fitted to the page width).
[[nodiscard]] QList<PrintPage> pagesForView(QWidget* view, const PrintInfo& info, double* scale = nullptr);

// Paints the pages of `view` on `device` (a printer or a PDF writer), one
// device page each, as vectors with the text kept as text (selectable in
// the PDF); false when the device cannot be painted on.
bool printView(QWidget* view, QPagedPaintDevice* device, const PrintInfo& info);

// --- PDF data --------------------------------------------------------------------

// The view (its frame, all of it) as a one-page PDF.
[[nodiscard]] QByteArray dataWithPDF(QWidget* view);
// A copy of the shared print information (changes never reach it).
[[nodiscard]] PrintInfo printInfo(QWidget* view);
// The view's window title, or the view's own when it has no window.
[[nodiscard]] QString printJobTitle(QWidget* view);
// The view printed page by page to a temporary PDF file, read back and
// removed; null when printing fails.
[[nodiscard]] QByteArray dataWithPrintedPDF(QWidget* view, bool showProgressPanel = false);
[[nodiscard]] QByteArray dataWithPrintedPDF(QWidget* view, bool showProgressPanel, const PrintInfo& info);
[[nodiscard]] QByteArray dataWithPrintedPDF(QWidget* view, bool showProgressPanel, const PrintInfo& info,
                                            const QString& jobTitle);
// The whole file, read without leaving it in the page cache; null when it
// cannot be read.
[[nodiscard]] QByteArray dataWithUncachedContentsOfFile(const QString& path);

// --- the print actions -----------------------------------------------------------

// Answers "print:" and "printWithoutDialog:" for the window it belongs to:
// the window's focused view is printed (the window when none has focus)
// with a copy of the shared print information. A window's Print menu item:
//   bindAction(action, "print:", ViewPrinting::forWindow(window));
class ViewPrinting : public QObject
{
    Q_OBJECT
public:
    explicit ViewPrinting(QWidget* window);
    // The window's printing target, made on first use.
    static ViewPrinting* forWindow(QWidget* window);
    [[nodiscard]] QWidget* viewToPrint() const;

public slots:
    void print(QObject* sender);
    void printWithoutDialog(QObject* sender);

private:
    QPointer<QWidget> m_window;
};

// --- accessory panels ------------------------------------------------------------

class PrintOperation;

// The base of accessory panels of the print dialog: the operation and the
// document view it belongs to.
class PrintingAccessoryViewController : public QObject
{
    Q_OBJECT
public:
    explicit PrintingAccessoryViewController(QObject* parent = nullptr);

    // The operation's print information; null without an operation.
    [[nodiscard]] const PrintInfo* printInfo() const;
    [[nodiscard]] PrintOperation* printOperation() const { return m_printOperation; }
    void setPrintOperation(PrintOperation* operation) { m_printOperation = operation; }
    [[nodiscard]] QWidget* documentView() const { return m_docView; }
    void setDocumentView(QWidget* view) { m_docView = view; }
    // Always empty: the panels add no summary lines.
    [[nodiscard]] QList<QVariantMap> localizedSummaryItems() const { return {}; }

private:
    QPointer<PrintOperation> m_printOperation;
    QPointer<QWidget> m_docView;
};

// One run of printing a view.
class PrintOperation : public QObject
{
    Q_OBJECT
public:
    PrintOperation(QWidget* view, const PrintInfo& info, QObject* parent = nullptr);

    [[nodiscard]] const PrintInfo& printInfo() const { return m_info; }
    [[nodiscard]] QWidget* view() const { return m_view; }
    bool showsPrintPanel = true;
    bool showsProgressPanel = true;
    QString jobTitle;

    // Prints now, without a dialog; false when the view is gone or the
    // printer or file cannot be written.
    bool runOperation();
    // Shows the print dialog as a sheet on `window` when asked for, prints
    // when accepted (at once without the dialog) and deletes itself after.
    void runOperationModalForWindow(QWidget* window);

private:
    QPointer<QWidget> m_view;
    PrintInfo m_info;
};

} // namespace sorvant
