#include "interface/panels.h"

#include "interface/file_type_icon_provider.h"
#include "platform/file_system_representation.h"
#include "platform/user_defaults.h"
#include "system/standard_folders.h"

#include <QDir>

namespace sorvant {

namespace {

QFileDialog* newPanel(QWidget* parent, QFileDialog::AcceptMode mode)
{
    auto* panel = new QFileDialog(parent);
    panel->setOption(QFileDialog::DontUseNativeDialog, true);
    // Icons and kinds from our MIME database: Qt's provider asks Qt's, which
    // maps the data folders' caches without bounds checks. One provider
    // for the process, outliving every dialog.
    static FileTypeIconProvider provider;
    panel->setIconProvider(&provider);
    panel->setAcceptMode(mode);
    return panel;
}

void rememberFolder(const QFileDialog* panel, int response, const PanelPlace& place, UserDefaults& defaults)
{
    if (response == kPanelOKButton && !place.directoryKey.isNull())
        defaults.setString(storedStringOfPath(panel->directory().absolutePath()), place.directoryKey);
}

} // namespace

QFileDialog* openPanel(OpenPanelChoice choice, QWidget* parent)
{
    QFileDialog* panel = newPanel(parent, QFileDialog::AcceptOpen);
    switch (choice) {
    case OpenPanelChoice::OneFile:
        panel->setFileMode(QFileDialog::ExistingFile);
        break;
    case OpenPanelChoice::MultipleFiles:
    case OpenPanelChoice::FilesAndFolders:
        panel->setFileMode(QFileDialog::ExistingFiles);
        break;
    case OpenPanelChoice::OneFolder:
    case OpenPanelChoice::DestinationFolder:
        panel->setFileMode(QFileDialog::Directory);
        break;
    case OpenPanelChoice::MultipleFolders:
        // Qt's folder mode takes one folder; several are chosen in the list
        // with the files hidden.
        panel->setFileMode(QFileDialog::Directory);
        panel->setOption(QFileDialog::ShowDirsOnly, true);
        break;
    }
    if (choice == OpenPanelChoice::OneFolder || choice == OpenPanelChoice::DestinationFolder)
        panel->setOption(QFileDialog::ShowDirsOnly, true);
    // Making folders is what ReadOnly forbids (with renaming and deleting).
    panel->setOption(QFileDialog::ReadOnly, choice != OpenPanelChoice::DestinationFolder);
    return panel;
}

QFileDialog* openPanelForChoosingDestinationDirectory(const QString& title, const QString& prompt, QWidget* parent)
{
    QFileDialog* panel = openPanel(OpenPanelChoice::DestinationFolder, parent);
    if (!title.isNull())
        panel->setWindowTitle(title);
    if (!prompt.isNull())
        panel->setLabelText(QFileDialog::Accept, prompt);
    return panel;
}

QFileDialog* savePanelWithTitle(const QString& title, const QString& prompt, const QString& requiredFileType,
                                OverwriteCheck overwrite, QWidget* parent)
{
    QFileDialog* panel = newPanel(parent, QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    if (!title.isNull())
        panel->setWindowTitle(title);
    if (!prompt.isNull())
        panel->setLabelText(QFileDialog::Accept, prompt);
    if (!requiredFileType.isNull()) {
        panel->setNameFilter(QStringLiteral("*.") + requiredFileType);
        panel->setDefaultSuffix(requiredFileType);
    }
    panel->setOption(QFileDialog::ReadOnly, false);
    panel->setOption(QFileDialog::DontConfirmOverwrite, overwrite == OverwriteCheck::DontAsk);
    return panel;
}

void setShowsHiddenFiles(QFileDialog* panel, bool shows)
{
    if (!panel)
        return;
    QDir::Filters filters = panel->filter();
    filters.setFlag(QDir::Hidden, shows);
    panel->setFilter(filters);
}

void setPanelDirectory(QFileDialog* panel, const PanelPlace& place, UserDefaults& defaults)
{
    if (!panel)
        return;
    QString folder;
    if (!place.directoryKey.isNull())
        folder = pathOfStoredString(defaults.objectForKey(place.directoryKey).toString());
    if (folder.isEmpty())
        folder = place.defaultDirectory;
    if (folder.isEmpty())
        folder = userDocumentsFolder();
    if (place.shouldEnableFolder && !place.shouldEnableFolder(folder))
        folder = userHomeDirectory();
    panel->setDirectory(folder);
    if (!place.file.isNull())
        panel->selectFile(place.file);
}

void beginPanel(QFileDialog* panel, QWidget* window, const PanelPlace& place, UserDefaults& defaults,
                std::function<void(int response)> handler)
{
    if (!panel)
        return;
    setPanelDirectory(panel, place, defaults);
    if (window) {
        panel->setParent(window, panel->windowFlags() | Qt::Sheet);
        panel->setWindowModality(Qt::WindowModal);
    } else {
        panel->setWindowModality(Qt::ApplicationModal);
    }
    // One answer per showing: a second begin on the same panel replaces it.
    QObject::disconnect(panel, &QDialog::finished, nullptr, nullptr);
    QObject::connect(panel, &QDialog::finished, panel, [panel, place, &defaults, handler](int result) {
        panel->hide();
        const int response = result == QDialog::Accepted ? kPanelOKButton : kPanelCancelButton;
        rememberFolder(panel, response, place, defaults);
        if (handler)
            handler(response);
    });
    panel->open();
}

int runPanelModal(QFileDialog* panel, const PanelPlace& place, UserDefaults& defaults)
{
    if (!panel)
        return kPanelCancelButton;
    setPanelDirectory(panel, place, defaults);
    const int response = panel->exec() == QDialog::Accepted ? kPanelOKButton : kPanelCancelButton;
    rememberFolder(panel, response, place, defaults);
    return response;
}

QStringList pathsForURLs(const QList<QUrl>& urls)
{
    QStringList paths;
    paths.reserve(urls.size());
    for (const QUrl& url : urls)
        paths.append(pathOfFileURL(url));
    return paths;
}

} // namespace sorvant
