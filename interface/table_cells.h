#pragma once
// The toolkit's table cells as item delegates: FileCell (a 16-point file
// icon and a middle-truncated name in the small bold system font),
// TextFieldCell (one line with a line-break mode, centring, a side inset and
// a count badge at its right end) and DateCell (a date as detailed as the
// column width allows, with "Today" and "Yesterday" forms). Per-row state
// comes from the model (cell_drawing.h's roles); per-column state (the date
// cell's measured widths and chosen levels) lives in the delegate, so one
// delegate serves one column.
//
// The file cell's types and 16-point icons come from the workspace's icon
// service (system/workspace_icons.h) and its process-wide cache.
//
// Text with highlight runs (cell_role::kHighlighted) is truncated in the
// middle by the attributed-string truncation, which keeps each run on its
// characters; plain text goes through the same truncating string drawing.

#include "foundation/color.h"
#include "foundation/paragraph_style.h"

#include <QDateTime>
#include <QFont>
#include <QIcon>
#include <QStyledItemDelegate>
#include <QUrl>

#include <array>
#include <optional>
#include <unordered_map>

namespace sorvant {

// --- FileCell -----------------------------------------------------------------------
class FileCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr double kIconSlice = 20;
    static constexpr double kIconSize = 16;

    explicit FileCell(QObject* parent = nullptr);
    static FileCell* fileCell(QObject* parent = nullptr) { return new FileCell(parent); }

    // The file of the row about to be drawn (as the results table's data
    // source sets it); setting the same path and type again looks nothing up.
    // A type whose icon is not looked up yet shows its kind's generic icon
    // while the look-up runs on the thread pool (readyIconForFileType); the
    // next paint after it is ready takes the type's own.
    void setPath(const QString& path);
    void setPath(const QString& path, const QString& fileType);
    void setURL(const QUrl& url);
    [[nodiscard]] QString path() const { return m_path; }
    [[nodiscard]] QUrl URL() const { return m_url; }
    [[nodiscard]] QString fileType() const { return m_fileType; }
    [[nodiscard]] QIcon icon() const { return m_icon; }
    void cacheIcon();

    [[nodiscard]] bool genericCachedIcons() const { return m_genericCachedIcons; }
    void setGenericCachedIcons(bool flag) { m_genericCachedIcons = flag; }
    [[nodiscard]] LineBreakMode lineBreakMode() const { return m_lineBreakMode; }
    void setLineBreakMode(LineBreakMode mode) { m_lineBreakMode = mode; }
    [[nodiscard]] QFont font() const { return m_font; }
    void setFont(const QFont& font);
    [[nodiscard]] Color textColor() const { return m_textColor; }

    // The size of `string` in `bounds`: 20 points wider and at least 20 high
    // when it is a path with a file type; 0 x 0 for a null string.
    [[nodiscard]] static QSizeF cellSizeForBounds(QRectF bounds, const QFont& font, const QString& string);

    // Draws the icon in a 20-point slice at the left and answers the rest.
    QRectF drawIconWithFrame(QPainter& painter, QRectF frame, const QIcon& icon) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QString m_path;
    QUrl m_url;
    QString m_fileType;
    QIcon m_icon;
    bool m_iconPending = false; // m_icon is the placeholder of m_fileType
    bool m_genericCachedIcons = true;
    LineBreakMode m_lineBreakMode = LineBreakMode::ByTruncatingMiddle;
    QFont m_font;
    Color m_textColor;
};

// --- TextFieldCell ------------------------------------------------------------------
class TextFieldCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // A null font keeps the view's font.
    TextFieldCell(LineBreakMode mode, const std::optional<QFont>& font, bool centered, double inset,
                  QObject* parent = nullptr);
    static TextFieldCell* textFieldCellWithLineBreakMode(LineBreakMode mode, bool centered, QObject* parent = nullptr)
    {
        return new TextFieldCell(mode, std::nullopt, centered, 0, parent);
    }
    static TextFieldCell* centeredTextFieldCellWithLineBreakMode(LineBreakMode mode, QObject* parent = nullptr)
    {
        return textFieldCellWithLineBreakMode(mode, true, parent);
    }

    [[nodiscard]] double inset() const { return m_inset; }
    void setInset(double inset) { m_inset = inset; }
    [[nodiscard]] bool centered() const { return m_centered; }
    void setCentered(bool flag) { m_centered = flag; }
    // The badge count of rows whose model gives none.
    [[nodiscard]] unsigned count() const { return m_count; }
    void setCount(unsigned count) { m_count = count; }
    [[nodiscard]] LineBreakMode lineBreakMode() const { return m_lineBreakMode; }
    void setLineBreakMode(LineBreakMode mode) { m_lineBreakMode = mode; }
    [[nodiscard]] std::optional<QFont> font() const { return m_font; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // A tool tip with the whole text only while the text is clipped.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    LineBreakMode m_lineBreakMode;
    std::optional<QFont> m_font;
    bool m_centered;
    double m_inset;
    unsigned m_count = 0;
};

// --- DateCell -------------------------------------------------------------------------
class DateCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int kLevels = 5;

    explicit DateCell(QObject* parent = nullptr);
    static DateCell* dateCellWithFont(const QFont& font, Qt::Alignment alignment, QObject* parent = nullptr);

    void setFont(const QFont& font);
    [[nodiscard]] QFont font() const { return m_font; }
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }

    // The date and time styles of a level: 0 full, 1 long, 2 medium, 3 short
    // date with a short time; 4 (and above) a short date alone.
    [[nodiscard]] static QString formatForDetailLevel(const QDateTime& date, int level);
    [[nodiscard]] static QString todayString();
    [[nodiscard]] static QString yesterdayString();
    // The widest text of a level over the days 1-30 of January 2006 and that
    // day in each month of 2006 at 23:55:55, measured in the cell's font.
    [[nodiscard]] double widthOfLongestDateStringWithLevel(int level) const;

    // The measured widths (levels 0-4; "Yesterday", "Yesterday, time",
    // "Today", "Today, time"); measured at the first need unless given.
    void setMeasuredWidths(const std::array<double, kLevels>& levels, const std::array<double, 4>& naturals);
    // Chooses both levels for `width`.
    void updateDetailLevel(double width);
    [[nodiscard]] int dateDetailLevel() const { return m_dateDetailLevel; }
    [[nodiscard]] int todayAndYesterdayLevel() const { return m_todayAndYesterdayLevel; }
    // The text of `date` at the chosen levels, with `now` as the present.
    [[nodiscard]] QString dateStringToDraw(const QDateTime& date, const QDateTime& now) const;
    // The text of a model value: a string as it is, a date formatted, "---"
    // for anything else.
    [[nodiscard]] QString textForValue(const QVariant& value, double width);
    // The value a column of birth times shows: the date, or an empty text
    // (not "---") when the file system keeps none. Some report none as the
    // zero time, which is never a real birth time here.
    //   2026-12-07 10:00 => the date      1970-01-01 00:00 UTC => ""      invalid => ""
    [[nodiscard]] static QVariant creationDateValue(const QDateTime& date);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The full date and time as a tool tip when the column clips it.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    void measure();

    QFont m_font;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    int m_dateDetailLevel = 0; // chosen in paint, which Qt declares const: see table_cells.cpp
    int m_todayAndYesterdayLevel = 0;
    double m_lastWidth = 0;
    std::array<double, kLevels> m_levelWidths{};
    std::array<double, 4> m_naturalWidths{};
    bool m_calculatedDetailLevelWidths = false;
    // The texts drawn for local dates, by their wall clock, while the levels
    // and the day stay (and a minute at most, for a changed time zone).
    std::unordered_map<qint64, QString> m_texts;
    qint64 m_textsUntil = 0; // milliseconds since the epoch
    QDate m_textsToday;
};

} // namespace sorvant
