#pragma once
// SearchOptions: the options box of a search window, under its search
// field: what to search in (names, contents, tags, comments), the match
// mode, how to compare, and what to find (files, folders, invisible items,
// package contents). It keeps the controls' dependencies (contents only
// for files; diacritics and fuzzy only for query terms), loads them from
// the user defaults and saves them, and answers them as a SearchRequest.
//
// User defaults: "SearchWhat", "SearchComparison", "SearchOperator",
// "SearchType", "SearchInvisibles", "SearchPackages".
//
// Threads: main thread only.
//
// Not here: the drawer's content lists (settings_drawer.h), when the window
// saves (search_window.h).

#include <QWidget>

#include <cstdint>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;

namespace sorvant {

struct SearchRequest;
class UserDefaults;

class SearchOptions : public QWidget
{
    Q_OBJECT
public:
    // The box with the first-use settings; load() shows the stored ones.
    SearchOptions(UserDefaults& defaults, QWidget* parent);

    // Puts the box into a frame, made a child of `parent`, that shows it
    // whole where the window has room and scrolls it where it has not: the
    // frame's smallest size is a little of the box, so the box never makes
    // the window larger than a small screen, and every control stays
    // reachable by scrolling. Answers the frame.
    [[nodiscard]] QWidget* putInScrollingFrame(QWidget* parent);

    // --- the controls ------------------------------------------------------------------
    // The check box of an object name ("searchTags"); null when none.
    [[nodiscard]] QCheckBox* checkBox(const char* name) const;
    // The radio button of a mode (0-5) or a type (1-3); null when none.
    [[nodiscard]] QAbstractButton* modeButton(int mode) const;
    [[nodiscard]] QAbstractButton* typeButton(int type) const;

    // --- the values ----------------------------------------------------------------------
    // kSearchNames | kSearchContents | kSearchTags | kSearchComments as checked.
    [[nodiscard]] std::uint64_t what() const;
    // 1 ignore case, 2 ignore diacritics, 4 fuzzy, as checked.
    [[nodiscard]] std::uint64_t comparison() const;
    [[nodiscard]] int mode() const;
    [[nodiscard]] int type() const;
    // The options into `request`; its phrase and path are left alone.
    void fill(SearchRequest& request) const;

    // --- user defaults ---------------------------------------------------------------------
    // The stored options; a stored tag without a button keeps the default.
    void load();
    // The options into the user defaults (written with the next sync): all
    // of them when a search starts; at close all but "SearchWhat", which
    // only a search sets.
    enum class Saved { All, AllButWhat };
    void save(Saved which = Saved::All) const;

    // Lifts the controls' base above a dark window (check marks sink into it
    // otherwise); plain on a light one; and gives their check boxes and radio
    // buttons indicators that read on light and dark. Also for the drawer's
    // controls.
    static void applyReadablePalette(QWidget* controls);

protected:
    void changeEvent(QEvent* event) override;

private:
    void didChangeType();
    void didChangeMode();

    UserDefaults& m_defaults;
    QCheckBox* m_name = nullptr;
    QCheckBox* m_content = nullptr;
    QCheckBox* m_tags = nullptr;
    QCheckBox* m_comments = nullptr;
    QCheckBox* m_caseInsensitive = nullptr;
    QCheckBox* m_noUmlauts = nullptr;
    QCheckBox* m_fuzzy = nullptr;
    QCheckBox* m_invisibles = nullptr;
    QCheckBox* m_packages = nullptr;
    QButtonGroup* m_mode = nullptr;
    QButtonGroup* m_type = nullptr;
};

} // namespace sorvant
