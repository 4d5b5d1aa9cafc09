#pragma once
// What the search window says when an action fails: the title and the text
// of the sheet it shows, in the user's language, naming what failed and
// why. The window only shows them; the decisions that need no window live
// here too, so each is tested apart from it.
//
//   invalidPatternFailure("file-([", "a bracket [ is not closed at character 7")
//     => {"Invalid Regular Expression",
//         "“file-([” is not a valid regular expression (a bracket [ is not closed at character 7). Nothing was searched."}
//
// The question after a refused Trash is here too: it says the Trash's
// failure, each item's reason as a failed deletion says it.
//
// Not here: the alerts that ask a question (alert_panels.h).

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace sorvant {

struct Failure
{
    QString title;
    QString text;

    [[nodiscard]] bool isNull() const { return title.isNull(); }
};

// A regular expression that does not compile; `error` is the engine's.
[[nodiscard]] Failure invalidPatternFailure(const QString& pattern, const QString& error);
// No application opens the item at `path` (none is set for its type, or the
// desktop's opener could not be started); when the one set needs a
// terminal and none is installed, that is said. Reads the disk: not for
// the interface thread.
[[nodiscard]] Failure noApplicationFailure(const QString& path);
// The help could not be shown: no web browser opens its pages.
[[nodiscard]] Failure noBrowserFailure();
// The maker's web site could not be shown: no web browser opens `url`.
[[nodiscard]] Failure noWebsiteBrowserFailure(const QString& url);
// Neither a file manager nor an application for folders shows the item at
// `path` in its folder.
[[nodiscard]] Failure noFileViewerFailure(const QString& path);
// No file manager serves the desktop's file-manager interface, so the
// properties of the item at `path` cannot be shown.
[[nodiscard]] Failure noFileManagerFailure(const QString& path);
// An item a deletion left, and why: its removal's errno (0 when unknown)
// and a mount point inside it, left with what is mounted there.
struct ItemLeft
{
    QString path;
    int error = 0;
    QString mountPoint{}; // null when none

    friend bool operator==(const ItemLeft&, const ItemLeft&) = default;
};
// Items neither moved to the Trash nor deleted, each said with the reason
// it was left: one sentence per reason, naming its first item and counting
// the others left for it, in the order of the items. A mount point left
// inside is named instead of its errno ("busy"). Three reasons at most are
// said; the items left for others are counted in a last sentence ("1 more
// could not be deleted for another reason.").
//   [{"/a/x.txt", EACCES}]               => "“x.txt” could not be deleted: Permission denied."
//   [{"/a/x"}, {"/a/y"}, {"/a/z"}]       => "“x” and 2 more could not be deleted."
//   [{"/a/x", EBUSY, "/a/x/mnt"}]        => "“x” could not be deleted: “mnt” is a mount point and was left as it is."
//   [{"/a/x", EPERM}, {"/a/y", EBUSY, "/a/y/m"}, {"/a/z", EPERM}]
//     => "“x” and 1 more could not be deleted: Operation not permitted.
//         “y” could not be deleted: “m” is a mount point and was left as it is."
// A null failure for no items.
[[nodiscard]] Failure deletionFailure(const QList<ItemLeft>& items);
// The question after the Trash refused `items` (each with its errno, 0
// when unknown): whether to delete them immediately, with why each was
// refused. Items all refused for one reason are asked about as
// untrashableItemsQuestion asks (their names, the reason once); for several
// reasons, each is said as deletionFailure says them, then the question
// with their count.
//   [{"/a/x", EPERM}] => "“x” can't be moved to the Trash (Operation not permitted). Do you want to
//                         delete it immediately? This can't be undone."
//   [{"/a/x", EPERM}, {"/a/y", EXDEV}, {"/a/z", EPERM}]
//     => "“x” and 1 more can't be moved to the Trash: Operation not permitted. “y” can't be moved to
//         the Trash: Invalid cross-device link. Do you want to delete these 3 items immediately? This
//         can't be undone."
// Empty for no items.
[[nodiscard]] QString trashRefusalQuestion(const QList<ItemLeft>& items);
// The file manager's front window as the destination: this desktop cannot
// be asked which folder it shows.
[[nodiscard]] Failure activeFileManagerFailure();
// The destination at `path` is gone or is not a folder.
[[nodiscard]] Failure missingDestinationFailure(const QString& path);
// The destination at `path` is on a kernel's pseudo file system of `type`
// ("proc"), which the kernel fills and which is never searched.
[[nodiscard]] Failure kernelFileSystemFailure(const QString& path, const QString& type);

// Whether an item can be handed to the desktop's opener: a folder or a
// file when an installed application that can run (its programs found, a
// terminal emulator for one that needs it) opens its MIME type. Reads the
// disk: not for the interface thread.
[[nodiscard]] bool hasApplicationForPath(const QString& path);
// Whether the item at `path` can be shown in its folder: a file manager
// serves the desktop's interface, or an application opens folders. Reads
// the disk and asks the session bus.
[[nodiscard]] bool hasFileViewer();

// --- showing -------------------------------------------------------------------

// Says `failure` as a warning sheet on `window` (a QMessageBox named
// "failure", deleted when closed); nothing for a null failure or window.
void showFailureSheet(const Failure& failure, QWidget* window);

} // namespace sorvant
