#include "interface/printing.h"

#include "platform/log.h"
#include "system/bundle.h"
#include "system/file_operations.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include <fcntl.h>

#include <algorithm>
#include <cmath>

namespace sorvant {

// --- print information ----------------------------------------------------------

PrintInfo::PrintInfo()
{
    const bool imperial = QLocale().measurementSystem() != QLocale::MetricSystem;
    pageLayout = QPageLayout(QPageSize(imperial ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
                             QMarginsF(72, 90, 72, 90), QPageLayout::Point);
}

PrintInfo& PrintInfo::sharedPrintInfo()
{
    static PrintInfo shared;
    return shared;
}

PrintInfo PrintInfo::printInfoPaginatedHorizontal(PrintingPaginationMode mode, bool centered)
{
    PrintInfo info = sharedPrintInfo();
    info.horizontalPagination = mode;
    info.horizontallyCentered = centered;
    return info;
}

PrintInfo PrintInfo::printInfoPaginatedVertical(PrintingPaginationMode mode, bool centered)
{
    PrintInfo info = sharedPrintInfo();
    info.verticalPagination = mode;
    info.verticallyCentered = centered;
    return info;
}

PrintInfo PrintInfo::printInfoPaginatedHorizontal(PrintingPaginationMode horizontal, bool horizontallyCentered,
                                                  PrintingPaginationMode vertical, bool verticallyCentered)
{
    PrintInfo info = sharedPrintInfo();
    info.horizontalPagination = horizontal;
    info.verticalPagination = vertical;
    info.horizontallyCentered = horizontallyCentered;
    info.verticallyCentered = verticallyCentered;
    return info;
}

QMarginsF PrintInfo::marginsForImageableBounds(Rect imageable, Size paper)
{
    return QMarginsF(imageable.minX(), paper.height - imageable.maxY(), paper.width - imageable.maxX(),
                     imageable.minY());
}

void PrintInfo::setMarginsToImageablePageBounds()
{
    const QSizeF paper = pageLayout.fullRect(QPageLayout::Point).size();
    const QMarginsF minimum = pageLayout.minimumMargins();
    const Rect imageable = makeRect(minimum.left(), minimum.bottom(), paper.width() - minimum.left() - minimum.right(),
                                    paper.height() - minimum.top() - minimum.bottom());
    pageLayout.setMargins(marginsForImageableBounds(imageable, Size{paper.width(), paper.height()}));
}

bool PrintInfo::printOperationWithView(QWidget* view, bool printPanel, bool progressPanel) const
{
    if (!view)
        return false;
    auto* operation = new PrintOperation(view, *this);
    operation->showsPrintPanel = printPanel;
    operation->showsProgressPanel = progressPanel;
    operation->jobTitle = printJobTitle(view);
    operation->runOperationModalForWindow(view->window());
    return true;
}

// --- item views in print form ----------------------------------------------------

namespace {

// While it lives, an item view shows all its rows at their full size, with no
// selection colour, no stripes and black text; everything is put back after.
class PrintForm
{
public:
    explicit PrintForm(QWidget* view) : m_view(view), m_items(qobject_cast<QAbstractItemView*>(view))
    {
        if (auto* hook = dynamic_cast<PrintPreparation*>(view))
            hook->setPrinting(true);
        if (!m_items)
            return;
        m_palette = m_items->palette();
        m_size = m_items->size();
        m_alternating = m_items->alternatingRowColors();
        m_horizontal = m_items->horizontalScrollBarPolicy();
        m_vertical = m_items->verticalScrollBarPolicy();
        m_scroll = QPoint(m_items->horizontalScrollBar()->value(), m_items->verticalScrollBar()->value());
        QPalette print = m_palette;
        for (const auto role : {QPalette::Base, QPalette::AlternateBase, QPalette::Window, QPalette::Highlight})
            print.setColor(role, Qt::white);
        for (const auto role : {QPalette::Text, QPalette::HighlightedText, QPalette::WindowText, QPalette::ButtonText})
            print.setColor(role, Qt::black);
        m_items->setPalette(print);
        m_items->setAlternatingRowColors(false);
        m_items->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_items->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_items->horizontalScrollBar()->setValue(0);
        m_items->verticalScrollBar()->setValue(0);
        m_items->resize(fullSize());
    }

    ~PrintForm()
    {
        if (m_items) {
            m_items->resize(m_size);
            m_items->setPalette(m_palette);
            m_items->setAlternatingRowColors(m_alternating);
            m_items->setHorizontalScrollBarPolicy(m_horizontal);
            m_items->setVerticalScrollBarPolicy(m_vertical);
            m_items->horizontalScrollBar()->setValue(m_scroll.x());
            m_items->verticalScrollBar()->setValue(m_scroll.y());
        }
        if (auto* hook = dynamic_cast<PrintPreparation*>(m_view.data()))
            hook->setPrinting(false);
    }

    PrintForm(const PrintForm&) = delete;
    PrintForm& operator=(const PrintForm&) = delete;

    // A table's row boundaries in view coordinates (below its header).
    [[nodiscard]] QList<double> rowBottoms() const
    {
        QList<double> bottoms;
        const auto* table = qobject_cast<const QTableView*>(m_items);
        if (!table)
            return bottoms;
        const double top = table->viewport()->geometry().top();
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            if (!table->isRowHidden(row))
                bottoms.append(top + table->rowViewportPosition(row) + table->rowHeight(row));
        }
        return bottoms;
    }

private:
    // A table's size with every row and column in sight.
    QSize fullSize() const
    {
        const int frame = 2 * m_items->frameWidth();
        if (const auto* table = qobject_cast<const QTableView*>(m_items)) {
            const QHeaderView* rows = table->verticalHeader();
            const QHeaderView* columns = table->horizontalHeader();
            const int left = rows->isHidden() ? 0 : rows->sizeHint().width();
            const int top = columns->isHidden() ? 0 : columns->sizeHint().height();
            return QSize(left + columns->length() + frame, top + rows->length() + frame);
        }
        // Other item views print as they are sized.
        return m_size;
    }

    QPointer<QWidget> m_view;
    QAbstractItemView* m_items;
    QPalette m_palette;
    QSize m_size;
    bool m_alternating = false;
    Qt::ScrollBarPolicy m_horizontal = Qt::ScrollBarAsNeeded;
    Qt::ScrollBarPolicy m_vertical = Qt::ScrollBarAsNeeded;
    QPoint m_scroll;
};

// The page's printable size in points.
QSizeF printableSize(const PrintInfo& info)
{
    return info.pageLayout.paintRect(QPageLayout::Point).size();
}

QList<PrintPage> paginate(QWidget* view, const PrintForm& form, const PrintInfo& info, double* scaleOut)
{
    const QSizeF page = printableSize(info);
    const QSizeF document = view->size();
    double scale = 1.0;
    if (info.horizontalPagination == PrintingPaginationMode::Fit && document.width() > page.width())
        scale = page.width() / document.width();
    if (info.verticalPagination == PrintingPaginationMode::Fit && document.height() * scale > page.height())
        scale = page.height() / document.height();
    if (scaleOut)
        *scaleOut = scale;
    const double pageWidth = page.width() / scale;
    const double pageHeight = page.height() / scale;

    QList<double> columns{0};
    if (info.horizontalPagination == PrintingPaginationMode::Auto) {
        for (double x = pageWidth; x < document.width(); x += pageWidth)
            columns.append(x);
    }
    const double width = info.horizontalPagination == PrintingPaginationMode::Auto ? pageWidth
                                                                                   : std::min(pageWidth, document.width());
    const auto* hook = dynamic_cast<const PrintPagination*>(view);
    const QList<double> rows = form.rowBottoms();
    QList<PrintPage> pages;
    double top = 0;
    do {
        double bottom = top + pageHeight;
        if (info.verticalPagination != PrintingPaginationMode::Auto) {
            bottom = document.height();
        } else if (bottom < document.height()) {
            // Never shrink a page below half its height for a better break.
            const double limit = top + pageHeight / 2;
            if (hook) {
                bottom = std::clamp(hook->adjustPageHeight(top, bottom, limit), limit, bottom);
            } else {
                const auto last = std::upper_bound(rows.begin(), rows.end(), bottom);
                if (last != rows.begin() && *(last - 1) > limit)
                    bottom = *(last - 1);
            }
        }
        bottom = std::min(bottom, document.height());
        for (const double x : columns)
            pages.append({QRectF(x, top, std::min(width, document.width() - x), bottom - top)});
        top = bottom;
    } while (info.verticalPagination == PrintingPaginationMode::Auto && top < document.height());
    return pages;
}

// The part `area` of `view` as drawing commands (text stays text, lines stay
// lines), for printers: a widget rendered straight onto a printer goes
// through a bitmap of the whole page, which makes a printout of pictures
// without selectable text, megabytes large. Other devices (a PDF writer)
// take the widget directly, which shares each picture a page repeats.
QPicture pageAsPicture(QWidget* view, const QRect& area)
{
    QPicture picture;
    QPainter recorder(&picture);
    view->render(&recorder, QPoint(), QRegion(area), QWidget::DrawChildren);
    recorder.end();
    return picture;
}

} // namespace

QList<PrintPage> pagesForView(QWidget* view, const PrintInfo& info, double* scale)
{
    if (!view)
        return {};
    PrintForm form(view);
    return paginate(view, form, info, scale);
}

bool printView(QWidget* view, QPagedPaintDevice* device, const PrintInfo& info)
{
    if (!view || !device)
        return false;
    device->setPageLayout(info.pageLayout);
    PrintForm form(view);
    double scale = 1.0;
    const QList<PrintPage> pages = paginate(view, form, info, &scale);
    QPainter painter;
    if (!painter.begin(device))
        return false;
    const QRectF paint = info.pageLayout.paintRect(QPageLayout::Point);
    // Device pixels per point.
    const double resolution = device->logicalDpiX() / 72.0;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0 && !device->newPage())
            return false;
        const QRectF source = pages[i].source;
        double x = 0;
        double y = 0;
        if (info.horizontallyCentered)
            x = std::max(0.0, (paint.width() - source.width() * scale) / 2);
        if (info.verticallyCentered && pages.size() == 1)
            y = std::max(0.0, (paint.height() - source.height() * scale) / 2);
        painter.save();
        painter.scale(resolution * scale, resolution * scale);
        painter.translate(x / scale, y / scale);
        painter.setClipRect(QRectF(QPointF(0, 0), source.size()));
        const QRect area = source.toAlignedRect();
        if (device->devType() == QInternal::Printer) {
            const QPicture picture = pageAsPicture(view, area);
            // A picture plays itself scaled from its resolution to the
            // device's: undo that, one view pixel is one point already.
            painter.scale(double(picture.logicalDpiX()) / device->logicalDpiX(),
                          double(picture.logicalDpiY()) / device->logicalDpiY());
            painter.drawPicture(0, 0, picture);
        } else {
            view->render(&painter, QPoint(), QRegion(area), QWidget::DrawChildren);
        }
        painter.restore();
    }
    return painter.end();
}

// --- PDF data --------------------------------------------------------------------

QByteArray dataWithPDF(QWidget* view)
{
    if (!view || view->width() <= 0 || view->height() <= 0)
        return {};
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageLayout(QPageLayout(QPageSize(QSizeF(view->size()), QPageSize::Point), QPageLayout::Portrait,
                                         QMarginsF(), QPageLayout::Point));
        QPainter painter;
        if (!painter.begin(&writer))
            return {};
        view->render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        painter.end();
    }
    return data;
}

PrintInfo printInfo(QWidget*)
{
    return PrintInfo::sharedPrintInfo();
}

QString printJobTitle(QWidget* view)
{
    if (!view)
        return {};
    const QString title = view->window()->windowTitle();
    return title.isEmpty() ? view->windowTitle() : title;
}

QByteArray dataWithPrintedPDF(QWidget* view, bool showProgressPanel)
{
    return dataWithPrintedPDF(view, showProgressPanel, printInfo(view));
}

QByteArray dataWithPrintedPDF(QWidget* view, bool showProgressPanel, const PrintInfo& info)
{
    return dataWithPrintedPDF(view, showProgressPanel, info, printJobTitle(view));
}

QByteArray dataWithPrintedPDF(QWidget* view, bool showProgressPanel, const PrintInfo& info, const QString& jobTitle)
{
    const QString path =
        Bundle::mainBundle().nonExistingTemporaryFileNamed(QStringLiteral("__velmor_printing_temporary_paginated__.pdf"));
    if (path.isEmpty())
        return {};
    PrintInfo saving = info;
    saving.jobDisposition = PrintJobDisposition::Save;
    saving.savingPath = path;
    saving.verticallyCentered = false;
    PrintOperation operation(view, saving);
    operation.showsPrintPanel = false;
    operation.showsProgressPanel = showProgressPanel;
    operation.jobTitle = jobTitle;
    QByteArray data;
    if (operation.runOperation())
        data = dataWithUncachedContentsOfFile(path);
    removePath(path);
    return data;
}

QByteArray dataWithUncachedContentsOfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    QByteArray data = file.readAll();
    // Drop the pages from the cache: the file is read once and removed.
    ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_DONTNEED);
    return data;
}

// --- PrintOperation ----------------------------------------------------------------

PrintOperation::PrintOperation(QWidget* view, const PrintInfo& info, QObject* parent)
    : QObject(parent), m_view(view), m_info(info)
{
}

bool PrintOperation::runOperation()
{
    if (!m_view)
        return false;
    if (m_info.jobDisposition == PrintJobDisposition::Save) {
        QPdfWriter writer(m_info.savingPath);
        writer.setTitle(jobTitle);
        writer.setResolution(1200);
        return printView(m_view, &writer, m_info) && QFileInfo::exists(m_info.savingPath);
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(jobTitle);
    if (!printer.isValid())
        return false;
    return printView(m_view, &printer, m_info);
}

void PrintOperation::runOperationModalForWindow(QWidget* window)
{
    if (!showsPrintPanel || !window) {
        // Returns first, as a sheet would, then prints.
        QTimer::singleShot(0, this, [this] {
            runOperation();
            deleteLater();
        });
        return;
    }
    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setPageLayout(m_info.pageLayout);
    printer->setDocName(jobTitle);
    auto* dialog = new QPrintDialog(printer, window);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, [this, dialog, printer](int result) {
        if (result == QDialog::Accepted && m_view) {
            m_info.pageLayout = printer->pageLayout();
            printView(m_view, printer, m_info);
        }
        delete printer;
        deleteLater();
        Q_UNUSED(dialog);
    });
    dialog->open();
}

// --- the print actions -----------------------------------------------------------

ViewPrinting::ViewPrinting(QWidget* window) : QObject(window), m_window(window)
{
    setObjectName(QStringLiteral("sorvantViewPrinting"));
}

ViewPrinting* ViewPrinting::forWindow(QWidget* window)
{
    if (!window)
        return nullptr;
    if (auto* existing = window->findChild<ViewPrinting*>(QStringLiteral("sorvantViewPrinting"), Qt::FindDirectChildrenOnly))
        return existing;
    return new ViewPrinting(window);
}

QWidget* ViewPrinting::viewToPrint() const
{
    if (!m_window)
        return nullptr;
    QWidget* focus = m_window->focusWidget();
    return focus ? focus : m_window.data();
}

void ViewPrinting::print(QObject*)
{
    printInfo(viewToPrint()).printOperationWithView(viewToPrint(), true, true);
}

void ViewPrinting::printWithoutDialog(QObject*)
{
    printInfo(viewToPrint()).printOperationWithView(viewToPrint(), false, true);
}

// --- accessory panels ------------------------------------------------------------

PrintingAccessoryViewController::PrintingAccessoryViewController(QObject* parent) : QObject(parent) {}

const PrintInfo* PrintingAccessoryViewController::printInfo() const
{
    return m_printOperation ? &m_printOperation->printInfo() : nullptr;
}

} // namespace sorvant
