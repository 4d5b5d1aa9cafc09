#pragma once
// Ready-made alerts: a message, up to three buttons answering fixed tags,
// an optional "Never ask me again" box and an informative text filled from
// a printf-style format; shown modally or as a window-modal sheet. Answers
// the user ticked the box for are remembered in the user defaults under
// "NSAlert AutoSuppress \"<message>\"" (plus " \"<format>\"" when there is
// a format), so the same question is answered silently next time.
//
// Alerts are QMessageBoxes. Running one modally goes through the alert
// runner, which tests replace to answer without a person.
//
// Not here: the system services' alert requests (system/alert_presenter.h),
// which installAlertPresenter routes to these alerts.

#include "system/alert_presenter.h"

#include <QMessageBox>
#include <QString>
#include <QVariantList>

#include <functional>

class QFontMetrics;
class QTextDocument;

namespace sorvant {

class UserDefaults;

// The tags a modal run answers: the button pressed, or kAlertNotShown (-2)
// when no alert could be shown.
inline constexpr int kAlertDefaultReturn = 1;
inline constexpr int kAlertAlternateReturn = 0;
inline constexpr int kAlertOtherReturn = -1;

// Prefixes of the defaults keys that count as remembered answers.
inline constexpr const char* kAlertResetPrefixes[] = {"NSAlert AutoSuppress", "DontAsk", "DontCheck"};

struct AlertTexts
{
    QString messageText;     // null: no alert
    QString defaultButton;   // tag 1; null: no such button
    QString alternateButton; // tag 0
    QString otherButton;     // tag -1
    QString informativeFormat; // filled with `arguments` (string_format.h)
    QVariantList arguments;
};

// --- making ------------------------------------------------------------------------

// A new alert (owned by the caller; `parent` may be null), or null for a
// null message text. With `localized` the format, the message and the
// button titles are first translated through the main bundle's default
// table. Buttons present are added in the order default, alternate, other;
// with none Qt's single OK button stands, answering 1. With
// `suppressionButton` an unticked box titled with the translation of
// "Never ask me again" is shown.
[[nodiscard]] QMessageBox* alertWithTexts(const AlertTexts& texts, bool localized, bool suppressionButton,
                                          QWidget* parent = nullptr);
// The untranslated factory other layers call; `informativeText` is used as
// it stands.
[[nodiscard]] QMessageBox* alertWithMessageText(const QString& messageText, const QString& defaultButton,
                                                const QString& alternateButton, const QString& otherButton,
                                                bool suppressionButton, const QString& informativeText,
                                                QWidget* parent = nullptr);

// The width an alert's contents take at least: a readable line of its text
// (kReadableLineCharacters average characters of `text`) and the window
// title in the title bar's font with room for the title bar's buttons;
// never more than `available`.
inline constexpr int kReadableLineCharacters = 72;
[[nodiscard]] int readableAlertWidth(const QFontMetrics& text, const QFontMetrics& titleBar, const QString& title,
                                     int available);
// Keeps the alert at least readableAlertWidth wide whenever it is shown or
// its title changes, as the desktop's own dialogs are (Qt sizes a message
// box by its shortest text, which leaves the title cut and the text wrapped
// every few words), and lays its texts out in the interface's direction
// (layOutInInterfaceDirection) whenever it is shown; alerts made here have
// it already. Nothing for null.
void keepReadableWidth(QMessageBox* alert);
// Lays the alert's texts out in its layout direction (the application's
// unless set), starting at the leading edge, whatever their first strong
// character: Qt takes a plain text's direction from it, so a question that
// starts with a right-to-left name read right to left in English. Each
// quoted name that fits the narrowest text column the alert can have (it is
// at least a readable line wide) stays on one line (keepQuotedNamesWhole). A
// label's selection is copied as its text is written: the joiners the
// layout added left out, the label's own characters (a U+2060 a name
// holds among them) all kept. Nothing for null.
void layOutInInterfaceDirection(QMessageBox* alert);
// Shows every text of the alert as it is written: its labels (message,
// informative text, and any added since) take their text as plain text.
// Qt reads a text whose first tag looks like HTML as rich text, so a name
// such as "<b>x.txt" would be drawn bold without its tag and "&lt;x.txt"
// as "<x.txt". The detailed text, the buttons and the box are plain text
// in Qt already. layOutInInterfaceDirection does it first, so every alert
// made here, and every alert keepReadableWidth watches, has it each time it
// is shown, whatever texts were set since it was made. Nothing for null.
void keepTextsPlain(QMessageBox* alert);

// Keeps each quoted name of a label's text document ("“m-c.txt”", "„a b“")
// no wider than `lineWidth` on one line, so a wrapped question does not end
// a line inside it ("“m-" and "c.txt”"); a wider name keeps its own break
// opportunities, so it never runs past the edge. Only the document's
// layout changes: the label's text, which tests compare, stays as it was
// (the document gains a zero-width U+2060 WORD JOINER at each place a line
// could break inside a name, each marked as added by isAddedJoiner, and
// each space of a name becomes a NO-BREAK SPACE U+00A0, marked by
// isJoinedSpace, since the layout ends a line at any space whatever follows
// it; the alerts' labels copy their selections without the joiners, with
// the spaces and with any joiner or no-break space the text holds itself).
// Nothing for null; doing it twice does no more.
void keepQuotedNamesWhole(QTextDocument* document, int lineWidth);
// Whether the character of `document` at `position` is a joiner that
// keepQuotedNamesWhole added. NO for null and for a position outside.
[[nodiscard]] bool isAddedJoiner(const QTextDocument* document, int position);
// Whether the character of `document` at `position` is a no-break space
// that keepQuotedNamesWhole put in place of a space. NO for null and for a
// position outside.
[[nodiscard]] bool isJoinedSpace(const QTextDocument* document, int position);

// The tag of a button of an alert made here; kAlertNotShown for others.
[[nodiscard]] int alertTag(const QAbstractButton* button);
// YES when the alert shows its box and the box is ticked.
[[nodiscard]] bool shouldSuppress(const QMessageBox* alert);

// --- running -------------------------------------------------------------------------

// Shows an alert modally and answers the tag of the button chosen.
using AlertRunner = std::function<int(QMessageBox* alert)>;
// Installs a runner (null: the real one, QMessageBox::exec); answers the
// previous one.
AlertRunner setAlertRunner(AlertRunner runner);
// Runs the alert through the runner; kAlertNotShown for null.
int runModal(QMessageBox* alert);
// Shows the alert as a sheet on `window` (window-modal; application-modal
// without a window) and calls `handler` with the tag once a button is
// chosen; the alert deletes itself afterwards.
void beginSheetModalForWindow(QMessageBox* alert, QWidget* window, std::function<void(int tag)> handler);

// --- remembered answers ----------------------------------------------------------------

// The defaults key of a question: "NSAlert AutoSuppress \"<message>\"" and,
// with a format, " \"<format>\"" (both untranslated, the format unfilled).
[[nodiscard]] QString autoSuppressKey(const QString& messageText, const QString& informativeFormat);
// Answers the remembered tag at once when there is one (any value but -2);
// otherwise asks with the box shown, remembers the answer when the box is
// ticked, and answers the tag (-2 when no alert could be shown).
int autoSuppressAlert(const AlertTexts& texts, bool localized, UserDefaults& defaults);
// YES when any defaults key begins with one of kAlertResetPrefixes.
[[nodiscard]] bool shouldResetAlerts(const UserDefaults& defaults);
// Removes every such key.
void resetAlerts(UserDefaults& defaults);

// Routes the system services' alert requests (runAlert) to these alerts.
void installAlertPresenter();

} // namespace sorvant
