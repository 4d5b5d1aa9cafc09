#include "interface/table_cells.h"

#include "foundation/attributed_string.h"
#include "foundation/dates.h"
#include "interface/cell_drawing.h"
#include "interface/colors.h"
#include "interface/fonts.h"
#include "interface/graphics_context.h"
#include "interface/shown_names.h"
#include "interface/string_drawing.h"
#include "platform/date_format.h"
#include "platform/file_system_representation.h"
#include "platform/url.h"
#include "system/bundle.h"
#include "system/workspace_icons.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QHelpEvent>
#include <QPixmap>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace sorvant {
namespace {

const QSize kIconPixels(16, 16);
constexpr qint64 kMillisecondsPerDay = 86'400'000;
// How long a date cell's texts are kept at most, and how many.
constexpr qint64 kTextsLifetime = 60'000;
constexpr size_t kTextsCapacity = 8192;
// A date's inset from its cell's edges, as the text cells' (3 points).
constexpr double kDateInset = 3;

bool isPath(const QString& string)
{
    return string.startsWith(QLatin1Char('/')) || string.startsWith(QLatin1Char('~'));
}

QString expandedPath(const QString& path)
{
    return path.startsWith(QLatin1Char('~')) ? QDir::homePath() + path.mid(1) : path;
}

QIcon iconOf(const QImage& image)
{
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

// The text rect of a cell's frame: the text is centred vertically in a row
// taller than one line.
QRectF lineRect(QRectF frame, const QFont& font)
{
    const double height = std::min(frame.height(), std::ceil(QFontMetricsF(font).height()));
    return {frame.x(), frame.y() + std::floor((frame.height() - height) / 2), frame.width(), height};
}

Color colorOfIndex(const QModelIndex& index)
{
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if (foreground.canConvert<QBrush>() && foreground.value<QBrush>().style() != Qt::NoBrush)
        return colorFromQColor(foreground.value<QBrush>().color());
    return controlTextColor();
}

// The highlighted text with its runs recoloured for the cell: runs the model
// coloured keep their colour, the rest take the cell's text attributes.
AttributedString highlightedText(const QModelIndex& index, const QVariantMap& cellAttributes)
{
    AttributedString text = index.data(cell_role::kHighlighted).value<AttributedString>();
    // The shown name is isolated and its layout characters are written out:
    // the runs move to where their units are shown.
    const QString name = isolatedVisibleName(text.string());
    AttributedString base(name, cellAttributes);
    const QList<qsizetype> shown = visibleLayoutPositions(text.string());
    // A name that holds U+2068 shows it written out: a leading one is the isolate.
    const qsizetype isolate = name.startsWith(QChar(char16_t(0x2068))) ? 1 : 0;
    for (const AttributedString::Run& run : text.runs()) {
        const qsizetype start = shown.value(run.range.location, shown.constLast());
        const qsizetype end = shown.value(run.range.location + run.range.length, shown.constLast());
        base.addAttributes(run.attributes, Range{isolate + start, end - start});
    }
    return base;
}

// Draws the row's text at `rect`: highlighted runs when the model gives
// them, else the display string.
void drawCellText(QPainter& painter, const QModelIndex& index, QRectF rect, LineBreakMode mode, bool centered,
                  const QFont& font, const Color& color)
{
    const QVariant highlighted = index.data(cell_role::kHighlighted);
    if (highlighted.canConvert<AttributedString>() && !highlighted.value<AttributedString>().string().isEmpty()) {
        const AttributedString text = highlightedText(
            index, textAttributes(font, color, mode, centered ? TextAlignment::Center : TextAlignment::Left));
        drawInRect(painter, truncatedAttributedString(text, rect.width(), mode), lineRect(rect, font));
        return;
    }
    drawInRect(painter, isolatedVisibleName(index.data(Qt::DisplayRole).toString()), lineRect(rect, font), mode,
               centered ? TextAlignment::Center : TextAlignment::Left, false, font, color, false, false,
               std::nullopt);
}

} // namespace

// --- FileCell ---------------------------------------------------------------------------

FileCell::FileCell(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_font(smallBoldSystemFont())
    , m_textColor(controlTextColor())
{
}

void FileCell::setPath(const QString& path)
{
    setPath(path, isPath(path) ? fileTypeForPath(expandedPath(path)) : QString());
}

void FileCell::setPath(const QString& path, const QString& fileType)
{
    const QString stored = path.isEmpty() ? QString() : path;
    if (stored == m_path && m_url.isEmpty() && fileType == m_fileType && !m_iconPending
        && (!m_icon.isNull() || fileType.isNull()))
        return;
    if (stored != m_path || !m_url.isEmpty()) {
        m_url = QUrl();
        m_path = stored;
    }
    m_fileType = fileType;
    cacheIcon();
}

void FileCell::setURL(const QUrl& url)
{
    if (url == m_url && !url.isEmpty())
        return;
    m_path.clear();
    m_url = url;
    if (url.isEmpty())
        m_fileType = QString();
    else
        m_fileType = url.isLocalFile() ? fileTypeForPath(pathOfFileURL(url))
                                       : fileTypeForURL(URL::URLWithString(url.toString()));
    cacheIcon();
}

void FileCell::cacheIcon()
{
    m_icon = QIcon();
    m_iconPending = false;
    if (!m_genericCachedIcons && !m_path.isEmpty()) {
        m_icon = iconOf(iconForFile(m_path, true, kIconPixels));
    } else if (!m_fileType.isNull()) {
        // Painting never waits for the icon theme.
        QImage image = readyIconForFileType(m_fileType, kIconPixels);
        m_iconPending = image.isNull();
        if (m_iconPending)
            image = placeholderIconForFileType(m_fileType, kIconPixels);
        m_icon = iconOf(image);
    }
}

QSizeF FileCell::cellSizeForBounds(QRectF bounds, const QFont& font, const QString& string)
{
    const double iconWidth = isPath(string) && !fileTypeForPath(expandedPath(string)).isNull() ? kIconSlice : 0;
    const QSizeF text = string.isNull()
        ? QSizeF(0, 0)
        : boundingRectWithSize(string, QSizeF(bounds.width() - iconWidth, bounds.height()), font).size();
    if (iconWidth > 0)
        return {text.width() + kIconSlice, std::max(text.height(), kIconSlice)};
    return text;
}

QRectF FileCell::drawIconWithFrame(QPainter& painter, QRectF frame, const QIcon& icon) const
{
    if (icon.isNull())
        return frame;
    const QRectF slice(frame.x(), frame.y(), kIconSlice, frame.height());
    const QRectF target(slice.x() + (kIconSlice - kIconSize) / 2, slice.y() + std::ceil((frame.height() - kIconSize) / 2),
                        kIconSize, kIconSize);
    icon.paint(&painter, target.toRect());
    return frame.adjusted(kIconSlice, 0, 0, 0);
}

void FileCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // The model's file for this row; the same file again costs no lookup.
    auto* self = const_cast<FileCell*>(this);
    const QString path = index.data(cell_role::kFullPath).toString();
    const QVariant type = index.data(cell_role::kFileType);
    if (!path.isNull() || type.isValid())
        self->setPath(path, type.isValid() ? type.toString() : fileTypeForPath(path));
    const QVariant decoration = index.data(Qt::DecorationRole);
    const QIcon icon = decoration.canConvert<QIcon>() && !decoration.value<QIcon>().isNull()
        ? decoration.value<QIcon>()
        : m_icon;

    drawCellBackground(*painter, option);
    const QRectF rest = drawIconWithFrame(*painter, option.rect, icon);
    const Color color = cellTextColor(m_textColor, option, *painter);
    drawCellText(*painter, index, rest.adjusted(2, 0, 0, 0), m_lineBreakMode, false, m_font, color);
}

QSize FileCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QSizeF size = cellSizeForBounds(QRectF(0, 0, 1e5, option.rect.height() > 0 ? option.rect.height() : 1e5),
                                          m_font, index.data(Qt::DisplayRole).toString());
    return QSize(int(std::ceil(size.width() + kIconSlice + 2)), int(std::max(std::ceil(size.height()), kIconSlice)));
}

// --- TextFieldCell ------------------------------------------------------------------------

TextFieldCell::TextFieldCell(LineBreakMode mode, const std::optional<QFont>& font, bool centered, double inset,
                             QObject* parent)
    : QStyledItemDelegate(parent)
    , m_lineBreakMode(mode)
    , m_font(font)
    , m_centered(centered)
    , m_inset(inset)
{
}

void TextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QFont font = m_font.value_or(option.font);
    drawCellBackground(*painter, option);
    const QVariant modelCount = index.data(cell_role::kBadgeCount);
    const unsigned count = modelCount.isValid() ? modelCount.toUInt() : m_count;
    QRectF rest = drawBadgeWithFrame(*painter, option, option.rect, count, true, font);
    rest.adjust(m_inset, 0, -m_inset, 0);
    drawCellText(*painter, index, rest, m_lineBreakMode, m_centered, font, cellTextColor(colorOfIndex(index), option, *painter));
    drawFocusRing(*painter, option, index, QRectF(option.rect).adjusted(1, 1, -1, -1));
}

bool TextFieldCell::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                              const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString text = index.data(Qt::DisplayRole).toString();
    const double needed = std::floor(sizeWithFont(text, m_font.value_or(option.font)).width()) + 2 * m_inset;
    if (!text.isEmpty() && needed >= option.rect.width())
        QToolTip::showText(event->globalPos(), nameToolTip(text), view); // as the cell draws it
    else
        QToolTip::hideText();
    return true;
}

// --- DateCell -------------------------------------------------------------------------------

DateCell::DateCell(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_font(smallSystemFont())
{
}

DateCell* DateCell::dateCellWithFont(const QFont& font, Qt::Alignment alignment, QObject* parent)
{
    auto* cell = new DateCell(parent);
    cell->setFont(font);
    cell->setAlignment(alignment);
    return cell;
}

QString DateCell::formatForDetailLevel(const QDateTime& date, int level)
{
    if (level >= 4)
        return formatDate(date, DateFormatStyle::Short, DateFormatStyle::None);
    return formatDate(date, static_cast<DateFormatStyle>(4 - std::max(level, 0)), DateFormatStyle::Short);
}

QString DateCell::todayString()
{
    return Bundle::mainBundle().localizedStringForKey(QStringLiteral("Today"), QStringLiteral(""));
}

QString DateCell::yesterdayString()
{
    return Bundle::mainBundle().localizedStringForKey(QStringLiteral("Yesterday"), QStringLiteral(""));
}

double DateCell::widthOfLongestDateStringWithLevel(int level) const
{
    const auto width = [&](int month, int day) {
        return std::ceil(sizeWithFont(formatForDetailLevel(dateWithYear(2006, month, day, 23, 55, 55), level), m_font)
                             .width());
    };
    // The widest weekday comes from the days of one month, the widest month
    // name from that day in every month.
    double widest = 0;
    int widestDay = 1;
    for (int day = 1; day <= 30; ++day) {
        const double w = width(1, day);
        if (w > widest) {
            widest = w;
            widestDay = day;
        }
    }
    for (int month = 1; month <= 12; ++month)
        widest = std::max(widest, width(month, widestDay));
    return widest;
}

void DateCell::setFont(const QFont& font)
{
    if (font == m_font)
        return;
    m_font = font;
    // Widths measured in the old font choose wrong levels.
    m_calculatedDetailLevelWidths = false;
    m_lastWidth = 0;
    m_texts.clear();
}

void DateCell::setMeasuredWidths(const std::array<double, kLevels>& levels, const std::array<double, 4>& naturals)
{
    m_levelWidths = levels;
    m_naturalWidths = naturals;
    m_calculatedDetailLevelWidths = true;
    m_lastWidth = 0;
    m_texts.clear();
}

void DateCell::measure()
{
    for (int level = 0; level < kLevels; ++level)
        m_levelWidths[size_t(level)] = widthOfLongestDateStringWithLevel(level);
    const QString time = formatDate(QDateTime::currentDateTime(), DateFormatStyle::None, DateFormatStyle::Short);
    const QString forms[] = {yesterdayString(), yesterdayString() + QStringLiteral(", ") + time, todayString(),
                             todayString() + QStringLiteral(", ") + time};
    for (size_t i = 0; i < 4; ++i)
        m_naturalWidths[i] = std::ceil(sizeWithFont(forms[i], m_font).width());
    m_calculatedDetailLevelWidths = true;
}

void DateCell::updateDetailLevel(double width)
{
    m_lastWidth = width;
    m_texts.clear();
    if (!m_calculatedDetailLevelWidths)
        measure();
    m_dateDetailLevel = 4;
    for (int level = 0; level < kLevels; ++level) {
        if (width > m_levelWidths[size_t(level)]) {
            m_dateDetailLevel = level;
            break;
        }
    }
    if (m_naturalWidths[0] >= width) {
        m_todayAndYesterdayLevel = 4;
        return;
    }
    m_todayAndYesterdayLevel = 0;
    for (size_t i = 1; i < 4 && m_naturalWidths[i] < width; ++i)
        m_todayAndYesterdayLevel = int(i);
}

QString DateCell::dateStringToDraw(const QDateTime& date, const QDateTime& now) const
{
    if (m_todayAndYesterdayLevel != 4 && yearOfCommonEra(date) == yearOfCommonEra(now)) {
        const QString time = formatDate(date, DateFormatStyle::None, DateFormatStyle::Short);
        const int day = dayOfYear(date);
        const int today = dayOfYear(now);
        const auto form = [&](const QString& word, size_t withTime) -> QString {
            if (m_lastWidth >= m_naturalWidths[withTime])
                return word + QStringLiteral(", ") + time;
            if (m_lastWidth >= m_naturalWidths[withTime - 1])
                return word;
            return {};
        };
        QString text;
        if (day == today)
            text = form(todayString(), 3);
        else if (day == today - 1)
            text = form(yesterdayString(), 1);
        if (!text.isEmpty())
            return text;
    }
    return formatForDetailLevel(date, m_dateDetailLevel);
}

QString DateCell::textForValue(const QVariant& value, double width)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (value.typeId() != QMetaType::QDateTime || !value.toDateTime().isValid())
        return QStringLiteral("---");
    if (width != m_lastWidth || !m_calculatedDetailLevelWidths)
        updateDetailLevel(width);
    const QDateTime date = value.toDateTime();
    if (date.timeSpec() != Qt::LocalTime)
        return dateStringToDraw(date, QDateTime::currentDateTime());
    // Formatting converts through the time zone and the calendar: a column
    // repainted draws the same texts again, kept by the wall clock, which
    // needs no conversion.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now >= m_textsUntil || now < m_textsUntil - kTextsLifetime) {
        m_texts.clear();
        m_textsToday = QDate::currentDate();
        const qint64 midnight = QDateTime(m_textsToday.addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
        m_textsUntil = std::min(midnight, now + kTextsLifetime);
    }
    const qint64 wallClock = date.date().toJulianDay() * kMillisecondsPerDay + date.time().msecsSinceStartOfDay();
    if (const auto found = m_texts.find(wallClock); found != m_texts.end())
        return found->second;
    if (m_texts.size() >= kTextsCapacity)
        m_texts.clear();
    // Only today and yesterday read the calendar; other days take the level.
    const QDate day = date.date();
    const QString text = day == m_textsToday || day == m_textsToday.addDays(-1)
        ? dateStringToDraw(date, QDateTime::currentDateTime())
        : formatForDetailLevel(date, m_dateDetailLevel);
    m_texts.emplace(wallClock, text);
    return text;
}

QVariant DateCell::creationDateValue(const QDateTime& date)
{
    if (!date.isValid() || date.toMSecsSinceEpoch() == 0)
        return QString(QLatin1String(""));
    return date.toLocalTime();
}

void DateCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // Qt paints through a const delegate; the chosen levels are this
    // column's drawing state, as a cell keeps it between drawings.
    // The date stays clear of the column lines at either side, as the text
    // cells' insets keep their text; it is chosen for the width left.
    const QRectF rect = QRectF(option.rect).adjusted(kDateInset, 0, -kDateInset, 0);
    const QString text = const_cast<DateCell*>(this)->textForValue(index.data(Qt::DisplayRole), rect.width());
    drawCellBackground(*painter, option);
    const TextAlignment alignment = m_alignment.testFlag(Qt::AlignRight)
        ? TextAlignment::Right
        : (m_alignment.testFlag(Qt::AlignHCenter) ? TextAlignment::Center : TextAlignment::Left);
    drawInRect(*painter, text, lineRect(rect, m_font), LineBreakMode::ByClipping, alignment, false, m_font,
               cellTextColor(colorOfIndex(index), option, *painter), false, false, std::nullopt);
}

bool DateCell::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                         const QModelIndex& index)
{
    const QVariant value = index.data(Qt::DisplayRole);
    if (event->type() != QEvent::ToolTip || value.typeId() != QMetaType::QDateTime)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString full = formatForDetailLevel(value.toDateTime(), 0);
    if (std::ceil(sizeWithFont(full, m_font).width()) > option.rect.width())
        QToolTip::showText(event->globalPos(), full, view);
    else
        QToolTip::hideText();
    return true;
}

} // namespace sorvant
