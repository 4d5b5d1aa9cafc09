#pragma once
// Localizing an interface at load time: every user-visible English string
// of a menu, window, toolbar or widget tree is looked up in a strings table
// (strings_file.h) with the English text as key, and replaced by the
// translation; an untranslated string keeps its English text. The same
// walk can replace one text by another, and rewrite menu shortcuts from
// lookup keys such as "CMD_SHIFT_s" (key_equivalents.h).
//
// What is visited, most-derived class first:
//   QMenu         each action (text, tool tip) and its submenu, then the
//                 menu title (always from the main bundle); an action bound
//                 to "orderFrontCharacterPalette:" keeps its text
//   QMenuBar      each action and its menu
//   QToolBar      each action (text, icon text, tool tip), then embedded
//                 widgets that are not buttons of an action
//   QTabBar       each tab's text and tool tip, then its own tool tip;
//                 nothing else
//   QTabWidget    each tab's text and tool tip and its page, then as a view
//   QGroupBox     title (when not empty), then as a view
//   QAbstractButton, QLabel, QLineEdit (text only set when it differs;
//                 placeholder), QComboBox items, QTextEdit and
//                 QPlainTextEdit contents (never the text "stringValue";
//                 only set when it differs), header titles of item views
//   every widget  window title (windows and dock widgets), tool tip, accessible name and
//                 description, its actions, then its child widgets in order
//                 (child windows are their own trees)
// Replacing skips the accessible texts; localizing skips them nowhere.
//
// Qt's own tr() reads the same tables through StringsTableTranslator.
//
// Not here: reading and writing tables (strings_file.h).

#include <QString>
#include <QTranslator>

class QAction;
class QMenu;
class QObject;

namespace sorvant {

class Bundle;

// Where translations come from: a table (null: the default table) of a
// bundle (null: the main bundle).
struct TranslationSource
{
    QString table;
    const Bundle* bundle = nullptr;

    // The translation of `text`; `text` itself when the table has none.
    // Null for a null text.
    [[nodiscard]] QString translate(const QString& text) const;
    // The translation or null when the table has no entry.
    [[nodiscard]] QString lookup(const QString& key) const;
};

// --- walks ------------------------------------------------------------------------

// Replaces the strings of `object` (a menu, action, toolbar, window or any
// widget) and everything below it by their translations.
void localize(QObject* object, const TranslationSource& source = {});
// Replaces every `target` by `replacement` in the same strings; a null
// replacement or an empty target changes nothing.
void replaceString(QObject* object, const QString& target, const QString& replacement);

// Rewrites the shortcut of every action of `menu` and its submenus: the
// lookup key ("CMD_SHIFT_s") of its shortcut is translated, and a
// translation other than the key itself is parsed as readable key text
// that replaces key and modifiers alike.
void localizeKeyEquivalents(QMenu* menu, const TranslationSource& source = {});
void localizeKeyEquivalent(QAction* action, const TranslationSource& source = {});

// --- Qt's tr() ----------------------------------------------------------------------

// Answers Qt's translation requests from the main bundle's default table
// (the source text as key); a text without entry answers null, so Qt keeps
// the source text or asks its next translator. Qt's own catalogues stay for
// Qt's standard dialogs.
class StringsTableTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;
    [[nodiscard]] QString translate(const char* context, const char* sourceText,
                                    const char* disambiguation = nullptr, int n = -1) const override;
    [[nodiscard]] bool isEmpty() const override { return false; }
};

} // namespace sorvant
