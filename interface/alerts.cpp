#include "interface/alerts.h"

#include "foundation/string_format.h"
#include "foundation/user_defaults_getters.h"
#include "interface/controls.h"
#include "platform/user_defaults.h"
#include "system/bundle.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <mutex>

namespace sorvant {

namespace {

constexpr char kTagProperty[] = "sorvantAlertTag";

struct RunnerState
{
    std::mutex mutex;
    AlertRunner runner;
};

RunnerState& runnerState()
{
    static RunnerState state;
    return state;
}

QString translated(const QString& text, bool localized)
{
    if (!localized || text.isNull())
        return text;
    return Bundle::mainBundle().localizedStringForKey(text, QStringLiteral(""));
}

void addButton(QMessageBox* alert, const QString& title, int tag, QMessageBox::ButtonRole role)
{
    if (title.isNull())
        return;
    QPushButton* button = alert->addButton(title, role);
    button->setProperty(kTagProperty, tag);
    if (tag == kAlertDefaultReturn)
        alert->setDefaultButton(button);
}

int runWithExec(QMessageBox* alert)
{
    alert->exec();
    QAbstractButton* clicked = alert->clickedButton();
    if (!clicked)
        return kAlertNotShown;
    const int tag = alertTag(clicked);
    // Qt's own OK button stands in when no title was given.
    return tag == kAlertNotShown ? kAlertDefaultReturn : tag;
}

class MessageBoxPresenter : public AlertPresenter
{
public:
    int runModal(const AlertRequest& request) override
    {
        QMessageBox* alert = alertWithMessageText(request.messageText, request.defaultButton,
                                                  request.alternateButton, request.otherButton,
                                                  request.suppressionButton, request.informativeText);
        if (!alert)
            return kAlertNotShown;
        switch (request.style) {
        case AlertStyle::Warning: alert->setIcon(QMessageBox::Warning); break;
        case AlertStyle::Informational: alert->setIcon(QMessageBox::Information); break;
        case AlertStyle::Critical: alert->setIcon(QMessageBox::Critical); break;
        }
        const int tag = sorvant::runModal(alert);
        delete alert;
        return tag;
    }
};

// Room the title bar takes beside the title: the window's icon, its
// buttons (close, maximize, minimize) and the padding between them.
constexpr int kTitleBarButtonsWidth = 160;
constexpr char kReadableWidthName[] = "sorvantReadableWidth";

// The width the alert keeps: a readable line and its whole title, within
// the screen.
int alertWidth(const QMessageBox* alert)
{
    QFont titleFont = alert->font();
    titleFont.setBold(true);
    const QScreen* screen = alert->screen();
    const int available = screen ? screen->availableGeometry().width() * 9 / 10 : 1000;
    return readableAlertWidth(alert->fontMetrics(), QFontMetrics(titleFont), alert->windowTitle(), available);
}

// Widens the alert's layout with a spacer across its columns, fitted to the
// current title before each showing (QMessageBox fixes its size from its
// layout's minimum when it is shown).
class ReadableWidth : public QObject
{
public:
    explicit ReadableWidth(QMessageBox* alert) : QObject(alert), m_alert(alert)
    {
        setObjectName(QString::fromLatin1(kReadableWidthName));
        alert->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_alert && (event->type() == QEvent::Show || event->type() == QEvent::WindowTitleChange))
            update();
        if (watched == m_alert && (event->type() == QEvent::Show || event->type() == QEvent::LayoutDirectionChange))
            layOutInInterfaceDirection(m_alert);
        return false;
    }

private:
    void update()
    {
        auto* layout = qobject_cast<QGridLayout*>(m_alert->layout());
        if (!layout)
            return;
        const QMargins margins = layout->contentsMargins();
        const int width = alertWidth(m_alert) - margins.left() - margins.right();
        if (!m_spacer) {
            m_spacer = new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
            layout->addItem(m_spacer, layout->rowCount(), 0, 1, layout->columnCount());
        } else {
            m_spacer->changeSize(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
        }
        layout->invalidate();
    }

    QMessageBox* m_alert;
    QSpacerItem* m_spacer = nullptr;
};

// U+2060 WORD JOINER: no line breaks on either side of it, and it has no
// width.
constexpr char16_t kWordJoiner = 0x2060;

// The closing quote of an opening one, as the languages we show write
// names (“a”, „a“, «a», ‹a›, ‚a‘, 「a」); 0 for other characters.
char16_t closingQuote(QChar opening)
{
    switch (opening.unicode()) {
    case 0x201C: return 0x201D;
    case 0x201E: return 0x201C;
    case 0x00AB: return 0x00BB;
    case 0x2039: return 0x203A;
    case 0x201A: return 0x2018;
    case 0x300C: return 0x300D;
    default: return 0;
    }
}

constexpr char kPlainCopyName[] = "sorvantPlainCopy";

// The character format properties that mark a joiner keepQuotedNamesWhole
// added to a document and a space it made a no-break one.
constexpr int kAddedJoinerProperty = QTextFormat::UserProperty + 0x2060;
constexpr int kJoinedSpaceProperty = QTextFormat::UserProperty + 0x00A0;

// Whether the character of `document` at `position` has `property` set.
bool hasCharacterProperty(const QTextDocument* document, int position, int property)
{
    if (!document || position < 0 || position >= document->characterCount() - 1)
        return false;
    const QTextBlock block = document->findBlock(position);
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.contains(position))
            return fragment.charFormat().hasProperty(property);
    }
    return false;
}

// Where each position of `document` falls in `written`, the plain text it
// was set from (one entry more than the document has positions, for its
// end): an added joiner is not in `written`, and a block separator stands
// for the line break there ("\r\n" counts two, as QTextCursor reads it).
QList<qsizetype> writtenIndices(const QTextDocument& document, const QString& written)
{
    QList<qsizetype> indices;
    indices.reserve(document.characterCount() + 1);
    qsizetype at = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const bool added = fragment.charFormat().hasProperty(kAddedJoinerProperty);
            for (int i = 0; i < fragment.length(); ++i) {
                indices.append(std::min(at, written.size()));
                at += added ? 0 : 1;
            }
        }
        indices.append(std::min(at, written.size()));
        at += written.mid(at, 2) == QLatin1String("\r\n") ? 2 : 1;
    }
    indices.append(std::min(at, written.size()));
    return indices;
}

// Copies a label's selection as its text is written, by each way a
// selectable label copies: its context menu's Copy (the same titles as
// Qt's own menu), the copy key and, where the system has one, the
// selection clipboard after a mouse selection. The label's document holds
// the joiners keepQuotedNamesWhole added, which a copy leaves out, and a
// copy of the document would also turn a no-break space into a space: the
// selection is read from the label's own text instead.
class PlainCopy : public QObject
{
public:
    explicit PlainCopy(QLabel* label) : QObject(label), m_label(label)
    {
        setObjectName(QString::fromLatin1(kPlainCopyName));
        label->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_label || m_forwarding)
            return false;
        if (event->type() == QEvent::ContextMenu) {
            showMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            put(QClipboard::Clipboard);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && QGuiApplication::clipboard()->supportsSelection()) {
            // The label sets the selection clipboard as it handles the release.
            m_forwarding = true;
            QCoreApplication::sendEvent(m_label, event);
            m_forwarding = false;
            put(QClipboard::Selection);
            return true;
        }
        return false;
    }

private:
    // Pops the menu up and returns at once (no nested event loop waits for
    // it); it deletes itself once closed.
    void showMenu(const QPoint& at)
    {
        auto* menu = new QMenu(m_label);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        QAction* copy = menu->addAction(QCoreApplication::translate("QWidgetTextControl", "&Copy"), this,
                                        [this] { put(QClipboard::Clipboard); });
        copy->setEnabled(m_label->hasSelectedText());
        menu->addAction(QCoreApplication::translate("QWidgetTextControl", "Select All"), this, [this] {
            if (const QTextDocument* document = m_label->findChild<QTextDocument*>())
                m_label->setSelection(0, document->characterCount() - 1);
        });
        menu->popup(at);
    }

    void put(QClipboard::Mode mode)
    {
        const QTextDocument* document = m_label->findChild<QTextDocument*>();
        if (!document || !m_label->hasSelectedText())
            return;
        const QString written = m_label->text();
        const QList<qsizetype> indices = writtenIndices(*document, written);
        const qsizetype last = indices.size() - 1;
        const qsizetype from = indices.at(std::clamp<qsizetype>(m_label->selectionStart(), 0, last));
        const qsizetype to =
            indices.at(std::clamp<qsizetype>(m_label->selectionStart() + m_label->selectedText().size(), 0, last));
        QGuiApplication::clipboard()->setText(written.mid(from, std::max<qsizetype>(to - from, 0)), mode);
    }

    QLabel* m_label;
    bool m_forwarding = false;
};

} // namespace

void keepQuotedNamesWhole(QTextDocument* document, int lineWidth)
{
    if (!document)
        return;
    const QFontMetrics metrics(document->defaultFont());
    // The raw text's indices are the document's positions (a block
    // separator counts one in both).
    const QString text = document->toRawText();
    QTextBoundaryFinder lines(QTextBoundaryFinder::Line, text);
    QList<qsizetype> inside;
    QList<qsizetype> spaces;
    for (qsizetype open = 0; open < text.size(); ++open) {
        const char16_t closing = closingQuote(text.at(open));
        const qsizetype close = closing ? text.indexOf(QChar(closing), open + 1) : -1;
        // A name that may not fit a line keeps its own break opportunities:
        // joined, it would run past the label's edge.
        if (close < 0 || metrics.horizontalAdvance(text.mid(open, close + 1 - open)) > lineWidth)
            continue;
        lines.setPosition(open + 1);
        for (qsizetype at = open + 1; at <= close && at >= 0; at = lines.toNextBoundary()) {
            if (lines.isAtBoundary())
                inside.append(at);
        }
        for (qsizetype at = open + 1; at < close; ++at) {
            if (text.at(at) == u' ')
                spaces.append(at);
        }
        open = close;
    }
    // One character for one: the positions stay where they were.
    QTextCursor cursor(document);
    for (const qsizetype at : std::as_const(spaces)) {
        cursor.setPosition(int(at) + 1);
        QTextCharFormat joined = cursor.charFormat();
        joined.setProperty(kJoinedSpaceProperty, true);
        cursor.setPosition(int(at), QTextCursor::KeepAnchor);
        cursor.insertText(QString(QChar::Nbsp), joined);
    }
    // Backwards, so the positions still to come stay where they were.
    for (auto at = inside.crbegin(); at != inside.crend(); ++at) {
        cursor.setPosition(int(*at));
        QTextCharFormat added = cursor.charFormat();
        added.clearProperty(kJoinedSpaceProperty); // a joiner after a joined space is no space
        added.setProperty(kAddedJoinerProperty, true);
        cursor.insertText(QString(QChar(kWordJoiner)), added);
    }
}

bool isAddedJoiner(const QTextDocument* document, int position)
{
    return hasCharacterProperty(document, position, kAddedJoinerProperty);
}

bool isJoinedSpace(const QTextDocument* document, int position)
{
    return hasCharacterProperty(document, position, kJoinedSpaceProperty);
}

int readableAlertWidth(const QFontMetrics& text, const QFontMetrics& titleBar, const QString& title, int available)
{
    const int line = text.averageCharWidth() * kReadableLineCharacters;
    const int titled = titleBar.horizontalAdvance(title) + kTitleBarButtonsWidth;
    return std::max(0, std::min(std::max(line, titled), available));
}

void keepReadableWidth(QMessageBox* alert)
{
    if (alert && !alert->findChild<QObject*>(QString::fromLatin1(kReadableWidthName), Qt::FindDirectChildrenOnly))
        new ReadableWidth(alert);
}

namespace {

// The narrowest the alert's text column can be: the width its spacer
// keeps, less the layout's margins, the icon's column and the spacing
// beside it, and one character to spare. A quoted name up to this wide is
// kept whole; a wider one could run past the label's edge.
int textColumnWidth(const QMessageBox* alert, const QLabel* label)
{
    const QFontMetrics metrics = label->fontMetrics();
    int width = alertWidth(alert) - metrics.averageCharWidth();
    if (const auto* layout = qobject_cast<const QGridLayout*>(alert->layout())) {
        const QMargins margins = layout->contentsMargins();
        width -= margins.left() + margins.right();
        for (const QLabel* other : alert->findChildren<QLabel*>()) {
            if (other->text().isEmpty() && !other->pixmap().isNull())
                width -= other->sizeHint().width() + std::max(0, layout->horizontalSpacing());
        }
    }
    return std::max(width, 0);
}

} // namespace

void keepTextsPlain(QMessageBox* alert)
{
    if (!alert)
        return;
    // The message's label is set through the alert, so that the alert's own
    // word-wrap rule reads the format too; the others (the informative
    // text, made when first set) directly.
    if (alert->textFormat() != Qt::PlainText)
        alert->setTextFormat(Qt::PlainText);
    for (QLabel* label : alert->findChildren<QLabel*>()) {
        if (label->textFormat() != Qt::PlainText)
            label->setTextFormat(Qt::PlainText);
    }
}

void layOutInInterfaceDirection(QMessageBox* alert)
{
    if (!alert)
        return;
    // The copies below read a label's text as its document's plain text.
    keepTextsPlain(alert);
    const Qt::LayoutDirection direction = alert->layoutDirection();
    for (QLabel* label : alert->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        // A label paints through its own text document once its text can be
        // selected; an explicit direction there outranks the one the text's
        // first strong character would give, and Leading follows it.
        label->setTextInteractionFlags(label->textInteractionFlags() | Qt::TextSelectableByMouse);
        label->setAlignment((label->alignment() & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeading);
        if (!label->findChild<QObject*>(QString::fromLatin1(kPlainCopyName), Qt::FindDirectChildrenOnly))
            new PlainCopy(label);
        // A label fills its document from its text only when it is next
        // measured or painted (a text or format set since, such as the
        // plain format above): measured now, the document holds the text
        // before the joiners go in, and is not filled again over them.
        (void)label->sizeHint();
        for (QTextDocument* document : label->findChildren<QTextDocument*>()) {
            keepQuotedNamesWhole(document, textColumnWidth(alert, label));
            QTextOption option = document->defaultTextOption();
            if (option.textDirection() == direction)
                continue;
            option.setTextDirection(direction);
            document->setDefaultTextOption(option);
        }
        label->update();
    }
}

QMessageBox* alertWithTexts(const AlertTexts& texts, bool localized, bool suppressionButton, QWidget* parent)
{
    if (texts.messageText.isNull())
        return nullptr;
    auto* alert = new QMessageBox(parent);
    keepReadableWidth(alert);
    if (!texts.informativeFormat.isNull()) {
        const QString format = translated(texts.informativeFormat, localized);
        const QString informative = stringWithFormat(format, texts.arguments);
        if (!informative.isNull())
            alert->setInformativeText(informative);
    }
    alert->setText(translated(texts.messageText, localized));
    // The roles give the desktop's button order; the tags stay fixed.
    addButton(alert, translated(texts.defaultButton, localized), kAlertDefaultReturn, QMessageBox::AcceptRole);
    addButton(alert, translated(texts.alternateButton, localized), kAlertAlternateReturn, QMessageBox::RejectRole);
    addButton(alert, translated(texts.otherButton, localized), kAlertOtherReturn, QMessageBox::ActionRole);
    if (suppressionButton) {
        auto* box = new QCheckBox(translated(QStringLiteral("Never ask me again"), true), alert);
        box->setChecked(false);
        useReadableIndicators(box);
        alert->setCheckBox(box);
    }
    return alert;
}

QMessageBox* alertWithMessageText(const QString& messageText, const QString& defaultButton,
                                  const QString& alternateButton, const QString& otherButton,
                                  bool suppressionButton, const QString& informativeText, QWidget* parent)
{
    QMessageBox* alert = alertWithTexts({messageText, defaultButton, alternateButton, otherButton, {}, {}},
                                        false, suppressionButton, parent);
    if (alert && !informativeText.isNull())
        alert->setInformativeText(informativeText);
    return alert;
}

int alertTag(const QAbstractButton* button)
{
    if (!button)
        return kAlertNotShown;
    const QVariant tag = button->property(kTagProperty);
    return tag.isValid() ? tag.toInt() : kAlertNotShown;
}

bool shouldSuppress(const QMessageBox* alert)
{
    return alert && alert->checkBox() && alert->checkBox()->isChecked();
}

AlertRunner setAlertRunner(AlertRunner runner)
{
    RunnerState& s = runnerState();
    std::lock_guard lock(s.mutex);
    std::swap(s.runner, runner);
    return runner;
}

int runModal(QMessageBox* alert)
{
    if (!alert)
        return kAlertNotShown;
    AlertRunner runner;
    {
        RunnerState& s = runnerState();
        std::lock_guard lock(s.mutex);
        runner = s.runner;
    }
    return runner ? runner(alert) : runWithExec(alert);
}

void beginSheetModalForWindow(QMessageBox* alert, QWidget* window, std::function<void(int tag)> handler)
{
    if (!alert)
        return;
    if (window) {
        alert->setParent(window, alert->windowFlags() | Qt::Sheet);
        alert->setWindowModality(Qt::WindowModal);
    } else {
        alert->setWindowModality(Qt::ApplicationModal);
    }
    QObject::connect(alert, &QMessageBox::buttonClicked, alert, [alert, handler](QAbstractButton* button) {
        const int tag = alertTag(button);
        if (handler)
            handler(tag == kAlertNotShown ? kAlertDefaultReturn : tag);
        alert->deleteLater();
    });
    alert->open();
}

QString autoSuppressKey(const QString& messageText, const QString& informativeFormat)
{
    QString key = QStringLiteral("NSAlert AutoSuppress \"%1\"").arg(messageText);
    if (!informativeFormat.isNull())
        key += QStringLiteral(" \"%1\"").arg(informativeFormat);
    return key;
}

int autoSuppressAlert(const AlertTexts& texts, bool localized, UserDefaults& defaults)
{
    const QString key = autoSuppressKey(texts.messageText, texts.informativeFormat);
    const qint64 remembered = integerForKey(defaults, key, kAlertNotShown);
    if (remembered != kAlertNotShown)
        return static_cast<int>(remembered);
    QMessageBox* alert = alertWithTexts(texts, localized, true);
    if (!alert)
        return kAlertNotShown;
    const int tag = runModal(alert);
    if (tag != kAlertNotShown && shouldSuppress(alert))
        defaults.setInteger(tag, key);
    delete alert;
    return tag;
}

bool shouldResetAlerts(const UserDefaults& defaults)
{
    const QVariantMap all = defaults.dictionaryRepresentation();
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        for (const char* prefix : kAlertResetPrefixes) {
            if (it.key().startsWith(QLatin1String(prefix)))
                return true;
        }
    }
    return false;
}

void resetAlerts(UserDefaults& defaults)
{
    const QVariantMap all = defaults.dictionaryRepresentation();
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        for (const char* prefix : kAlertResetPrefixes) {
            if (it.key().startsWith(QLatin1String(prefix))) {
                defaults.removeObjectForKey(it.key());
                break;
            }
        }
    }
}

void installAlertPresenter()
{
    static MessageBoxPresenter presenter;
    setAlertPresenter(&presenter);
}

} // namespace sorvant
