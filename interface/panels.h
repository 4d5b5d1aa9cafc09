#pragma once
// Open and save panels: Qt's own file dialog (never the desktop's, so a
// panel behaves alike everywhere and tests can drive it offscreen), preset
// for the usual choices, started in the folder remembered under a caller's
// defaults key, run window-modal on a window or modally, remembering the
// folder the user confirmed in.
//
// Linux notes: there are no file packages, so "treat packages as folders"
// has no setting; a panel for files and folders lists both but, as Qt's
// dialog opens a folder on confirming it, chooses files (and folders typed
// into the name field); the title is the dialog's window title, which is
// also where the message goes.
//
// Not here: the search window's destination menu, which uses these.

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace sorvant {

class UserDefaults;

// --- presets ----------------------------------------------------------------------------

enum class OpenPanelChoice {
    OneFile,
    MultipleFiles,
    FilesAndFolders,
    OneFolder,
    MultipleFolders,
    DestinationFolder, // one folder; new folders may be made
};

// A new open panel (owned by the caller; `parent` may be null) for the
// choice. Only the destination panel lets the user make folders.
[[nodiscard]] QFileDialog* openPanel(OpenPanelChoice choice, QWidget* parent = nullptr);
// The destination panel with a title and a prompt (the confirm button's
// text), each set only when not null.
[[nodiscard]] QFileDialog* openPanelForChoosingDestinationDirectory(const QString& title, const QString& prompt,
                                                                   QWidget* parent = nullptr);

enum class OverwriteCheck { Ask, DontAsk };

// A new save panel with the title and prompt (each only when not null), the
// one file type required when `requiredFileType` is not null ("pdf"), and
// folders makeable. With OverwriteCheck::DontAsk, confirming an existing
// name goes through without a question.
[[nodiscard]] QFileDialog* savePanelWithTitle(const QString& title, const QString& prompt,
                                              const QString& requiredFileType = {},
                                              OverwriteCheck overwrite = OverwriteCheck::Ask,
                                              QWidget* parent = nullptr);

// Whether the panel lists hidden files, as its caller's setting says.
void setShowsHiddenFiles(QFileDialog* panel, bool shows);

// --- positioning and running ----------------------------------------------------------------

// Where a panel starts and what it remembers. `directoryKey` null: nothing is
// read or stored.
struct PanelPlace
{
    QString directoryKey;
    QString defaultDirectory;
    QString file; // preset in the name field when not null
    // Answers NO for a folder the panel must not start in (then the home
    // folder is used); null accepts every folder.
    std::function<bool(const QString& folder)> shouldEnableFolder;
};

// Sets the panel's folder: the non-empty folder stored under the key, else
// the non-empty default folder, else the Documents folder; the home folder
// when shouldEnableFolder refuses it. Then the file name.
void setPanelDirectory(QFileDialog* panel, const PanelPlace& place, UserDefaults& defaults);

// The panel's answer: 1 (OK) or 0 (Cancel).
inline constexpr int kPanelOKButton = 1;
inline constexpr int kPanelCancelButton = 0;

// Positions the panel and shows it window-modal on `window` (application-
// modal without one). When the user confirms, the folder the panel shows is
// stored under the key; then `handler` gets the answer. The panel is hidden
// before the handler runs; its owner deletes it.
void beginPanel(QFileDialog* panel, QWidget* window, const PanelPlace& place, UserDefaults& defaults,
                std::function<void(int response)> handler);
// Positions the panel, runs it modally, stores the folder on OK, answers
// the response.
int runPanelModal(QFileDialog* panel, const PanelPlace& place, UserDefaults& defaults);

// The local paths of file URLs, in order.
//   {} => {}
[[nodiscard]] QStringList pathsForURLs(const QList<QUrl>& urls);

} // namespace sorvant
