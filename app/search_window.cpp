#include "app/search_window.h"

#include "app/destinations.h"
#include "app/failure_messages.h"
#include "app/results_table_model.h"
#include "app/results_view.h"
#include "app/search_window_commands.h"
#include "app/settings_drawer.h"
#include "foundation/lines.h"
#include "foundation/user_defaults_getters.h"
#include "interface/application.h"
#include "interface/badge.h"
#include "interface/controls.h"
#include "interface/fonts.h"
#include "interface/find_pasteboard.h"
#include "interface/localization.h"
#include "interface/quick_look.h"
#include "interface/table_cells.h"
#include "platform/notification_center.h"
#include "platform/background_work.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "platform/unicode.h"
#include "platform/user_defaults.h"
#include "system/cloud_folders.h"
#include "system/file_tests.h"
#include "system/standard_folders.h"
#include "system/workspace_icons.h"
#include "system/workspace_monitors.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace sorvant {

namespace {

const QString kSearchWhat = QStringLiteral("SearchWhat");
const QString kSearchComparison = QStringLiteral("SearchComparison");
const QString kSearchOperator = QStringLiteral("SearchOperator");
const QString kSearchType = QStringLiteral("SearchType");
const QString kSearchInvisibles = QStringLiteral("SearchInvisibles");
const QString kSearchPackages = QStringLiteral("SearchPackages");
const QString kSearchLocation = QStringLiteral("SearchLocation");
constexpr int kDestinationMaximumWidth = 260;

QString perWindowKey(const char* name, quint64 index)
{
    return QString::fromLatin1(name).arg(index);
}

// Only Shift, Control, Alt and Meta count for the window's own keys.
constexpr Qt::KeyboardModifiers kModifierMask = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier
                                                | Qt::MetaModifier;

} // namespace

SearchWindow::SearchWindow(quint64 index, UserDefaults& defaults, QWidget* parent)
    : QMainWindow(parent), m_index(index), m_defaults(defaults)
{
    m_search = new SearchController(defaults, this);
    m_model = m_search->model();
    connect(m_search, &SearchController::statusTextChanged, this, [this](const QString& text) {
        m_searchInfo->setText(text);
    });
    connect(m_search, &SearchController::searchDidEnd, this, &SearchWindow::searchEnded);
    connect(m_search, &SearchController::rowsChanged, this, &SearchWindow::selectionChanged);
    setObjectName(QStringLiteral("FindWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildInterface();
    // The controls are built with English texts, looked up once here, before
    // any folder name or phrase is shown in them; the destination menu and
    // the status line look their texts up as they change.
    localize(this);

    // Sorting remembered for this window index.
    m_search->engine().dataSource().setSorting(
        std::uint64_t(integerForKey(m_defaults, perWindowKey("SearchSorting-%1", m_index), 0) & 7),
        boolForKey(m_defaults, perWindowKey("SearchReverse-%1", m_index), false));
    m_results->showSortIndicator();
    m_model->reload();

    initDestination();
    setDestination(pathOfStoredString(stringForKey(m_defaults, kSearchLocation, QDir::homePath())));
    setSettings();
    m_settingsDrawer->loadSettings();
    didChangeMode();
    didChangeType();

    // A volume mounted or unmounted changes the destination menu.
    for (const QString& name : {WorkspaceDidMountVolumeNotification, WorkspaceDidUnmountVolumeNotification})
        NotificationCenter::defaultCenter().addObserver(name, [this](const Notification&) { initDestination(); }, {},
                                                        this);

    // The preview follows the table's selection; Space in the table opens it.
    QuickLookController::sharedController().addObserverForView(m_results);
    m_results->installEventFilter(this);
    // A new window starts with the last phrase searched in any window.
    if (const QString phrase = findPboardString(); !phrase.isEmpty())
        setInput(phrase);

    m_searchInput->setFocus();
}

SearchWindow::~SearchWindow()
{
    // The worker must end before the controls it reports to go.
    m_search->finish();
}

// --- building the window ------------------------------------------------------------

void SearchWindow::buildInterface()
{
    setWindowTitle(QStringLiteral("Search"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* searchRow = new QHBoxLayout;
    m_searchInput = new QLineEdit(central);
    m_searchInput->setObjectName(QStringLiteral("searchInput"));
    m_searchInput->setPlaceholderText(QStringLiteral("Search for"));
    m_searchInput->setClearButtonEnabled(true);
    connect(m_searchInput, &QLineEdit::returnPressed, this, &SearchWindow::search);
    m_searchButton = new QPushButton(central);
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    connect(m_searchButton, &QPushButton::clicked, this, &SearchWindow::search);
    m_searchLocation = new QToolButton(central);
    m_searchLocation->setObjectName(QStringLiteral("searchLocation"));
    m_searchLocation->setPopupMode(QToolButton::InstantPopup);
    m_searchLocation->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_searchLocation->setMenu(new QMenu(m_searchLocation));
    m_searchLocation->setToolTip(QStringLiteral("Where to search"));
    // A folder's name may be 255 characters: it must not widen the window
    // (the tool tip holds the whole path).
    m_searchLocation->setMaximumWidth(kDestinationMaximumWidth);
    searchRow->addWidget(m_searchInput, 1);
    searchRow->addWidget(new QLabel(QStringLiteral("in"), central));
    searchRow->addWidget(m_searchLocation);
    searchRow->addWidget(m_searchButton);
    layout->addLayout(searchRow);
    layout->addWidget(buildOptions());

    m_results = new ResultsView(*m_search, m_defaults, m_index, central);
    connect(m_results->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SearchWindow::selectionChanged);
    layout->addWidget(m_results, 1);
    m_settingsDrawer = new SettingsDrawer(m_defaults, m_index, this);
    // However the drawer opens or closes, the toolbar's item follows it.
    const auto follow = [this] {
        if (m_commands)
            m_commands->update();
    };
    connect(m_settingsDrawer, &NSDrawerExtended::didOpen, this, follow);
    connect(m_settingsDrawer, &NSDrawerExtended::didClose, this, follow);
    applyOptionsPalette();

    auto* statusRow = new QHBoxLayout;
    m_searchIndicator = new QProgressBar(central);
    m_searchIndicator->setRange(0, 0);
    m_searchIndicator->setMaximumWidth(120);
    m_searchIndicator->setTextVisible(false);
    m_searchIndicator->hide();
    m_searchInfo = new QLabel(central);
    m_searchInfo->setObjectName(QStringLiteral("searchInfo"));
    statusRow->addWidget(m_searchIndicator);
    statusRow->addWidget(m_searchInfo, 1);
    statusRow->addWidget(makePathControl(central), 2);
    layout->addLayout(statusRow);
    setCentralWidget(central);

    m_commands = new SearchWindowCommands(this);
    connectMenus();
    buildToolbar();
    // A new window has nothing selected to act on.
    m_commands->update();
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &SearchWindow::cancelOperation);
    setSearching(false);
    resize(1040, 640);
    // A folder dropped anywhere on the window becomes its destination.
    setAcceptDrops(true);
}

void SearchWindow::applyOptionsPalette()
{
    QPalette palette = QApplication::palette();
    const QColor window = palette.color(QPalette::Window);
    if (window.lightnessF() < 0.5) {
        // A part of the text colour mixed in: works for a black window too.
        const QColor text = palette.color(QPalette::WindowText);
        const auto mixed = [&](double part) {
            return QColor::fromRgbF(float(window.redF() + (text.redF() - window.redF()) * part),
                                    float(window.greenF() + (text.greenF() - window.greenF()) * part),
                                    float(window.blueF() + (text.blueF() - window.blueF()) * part));
        };
        for (const auto group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, QPalette::Base, mixed(0.25));
        palette.setColor(QPalette::Disabled, QPalette::Base, mixed(0.12));
    }
    for (QWidget* controls : {m_options, m_settingsDrawer ? m_settingsDrawer->contentView() : nullptr}) {
        if (controls)
            controls->setPalette(palette);
    }
}

void SearchWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange && m_options)
        applyOptionsPalette();
}

QWidget* SearchWindow::buildOptions()
{
    auto* box = new QWidget(this);
    box->setObjectName(QStringLiteral("searchOptions"));
    m_options = box;
    applyOptionsPalette();
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    const auto makeBox = [box](const char* name, const QString& title) {
        auto* check = new QCheckBox(title, box);
        check->setObjectName(QString::fromLatin1(name));
        return check;
    };
    m_searchName = makeBox("searchName", QStringLiteral("Names"));
    m_searchContent = makeBox("searchContent", QStringLiteral("Contents"));
    m_searchTags = makeBox("searchTags", QStringLiteral("Tags"));
    m_searchComments = makeBox("searchComments", QStringLiteral("Comments"));
    m_searchCaseInsensitive = makeBox("searchCaseInsensitive", QStringLiteral("Ignore case"));
    m_searchNoUmlauts = makeBox("searchNoUmlauts", QStringLiteral("Ignore diacritics"));
    m_searchFuzzy = makeBox("searchFuzzy", QStringLiteral("Fuzzy"));
    m_searchInvisibles = makeBox("searchInvisibles", QStringLiteral("Invisible items"));
    m_searchPackages = makeBox("searchPackages", QStringLiteral("Package contents"));

    auto* what = new QGroupBox(QStringLiteral("Search in"), box);
    auto* whatLayout = new QVBoxLayout(what);
    for (QCheckBox* check : {m_searchName, m_searchContent, m_searchTags, m_searchComments})
        whatLayout->addWidget(check);

    auto* mode = new QGroupBox(QStringLiteral("Match"), box);
    auto* modeLayout = new QGridLayout(mode);
    m_searchMode = new QButtonGroup(this);
    const QStringList modes = {QStringLiteral("All words"), QStringLiteral("Any word"),
                               QStringLiteral("Phrase"),    QStringLiteral("Wildcards"),
                               QStringLiteral("Query terms"), QStringLiteral("Regular expression")};
    for (int tag = 0; tag < modes.size(); ++tag) {
        auto* radio = new QRadioButton(modes.at(tag), mode);
        m_searchMode->addButton(radio, tag);
        modeLayout->addWidget(radio, tag % 3, tag / 3);
    }
    connect(m_searchMode, &QButtonGroup::idClicked, this, [this] { didChangeMode(); });

    auto* compare = new QGroupBox(QStringLiteral("Compare"), box);
    auto* compareLayout = new QVBoxLayout(compare);
    for (QCheckBox* check : {m_searchCaseInsensitive, m_searchNoUmlauts, m_searchFuzzy})
        compareLayout->addWidget(check);

    auto* items = new QGroupBox(QStringLiteral("Find"), box);
    auto* itemsLayout = new QVBoxLayout(items);
    m_searchType = new QButtonGroup(this);
    const QStringList types = {QStringLiteral("Files"), QStringLiteral("Folders"),
                               QStringLiteral("Files and folders")};
    for (int tag = 1; tag <= types.size(); ++tag) {
        auto* radio = new QRadioButton(types.at(tag - 1), items);
        m_searchType->addButton(radio, tag);
        itemsLayout->addWidget(radio);
    }
    connect(m_searchType, &QButtonGroup::idClicked, this, [this] { didChangeType(); });
    itemsLayout->addWidget(m_searchInvisibles);
    itemsLayout->addWidget(m_searchPackages);

    grid->addWidget(what, 0, 0);
    grid->addWidget(mode, 0, 1);
    grid->addWidget(compare, 0, 2);
    grid->addWidget(items, 0, 3);
    grid->setColumnStretch(4, 1);
    return box;
}

QCheckBox* SearchWindow::checkBox(const char* name) const
{
    return findChild<QCheckBox*>(QString::fromLatin1(name));
}

QAbstractButton* SearchWindow::modeButton(int mode) const
{
    return m_searchMode->button(mode);
}

QAbstractButton* SearchWindow::typeButton(int type) const
{
    return m_searchType->button(type);
}

// --- running and stopping ----------------------------------------------------------------

void SearchWindow::search()
{
    if (m_search->isSearching()) {
        m_search->requestStop();
        return;
    }
    const QString phrase = unicode::normalizedString(m_searchInput->text(), unicode::NormalizationForm::NFC);
    const QString path = destination();
    if (isWhiteString(phrase) || path.isNull()) {
        beep();
        return;
    }
    // The file manager's front folder cannot be asked for on this desktop.
    if (path == QStringView(kActiveDestination)) {
        showFailure(activeFileManagerFailure());
        return;
    }
    copyToFindPboard(phrase);
    getSettings();
    m_settingsDrawer->saveSettings();

    SearchParams& params = m_search->engine().params();
    params.what = searchWhat();
    params.comparison = searchComparison();
    params.invisibles = m_searchInvisibles->isChecked();
    params.packageContents = m_searchPackages->isChecked();
    params.type = std::uint64_t(searchType());
    params.mode = std::uint64_t(searchMode());
    const bool started = m_search->start(phrase, path);
    selectionChanged();
    if (!started) {
        if (const QString error = m_search->engine().searchError(); !error.isNull())
            showFailure(invalidPatternFailure(phrase, error));
        return;
    }
    setWindowTitle(phrase);
    setSearching(true);
    m_searchInfo->setText(tr("%1 found/%2 done").arg(0).arg(0));
}

void SearchWindow::setSearching(bool searching)
{
    m_searchIndicator->setVisible(searching);
    m_searchInput->setEnabled(!searching);
    if (searching) {
        if (QWidget* focus = QApplication::focusWidget(); focus && focus->window() == this)
            focus->clearFocus();
        m_searchButton->setText(tr("Stop"));
        m_searchButton->setIcon(QIcon::fromTheme(QStringLiteral("process-stop")));
    } else {
        m_searchInput->setFocus();
        m_searchButton->setText(tr("Search"));
        m_searchButton->setIcon(QIcon::fromTheme(QStringLiteral("edit-find")));
    }
}

void SearchWindow::cancelOperation()
{
    // The window's Escape shortcut takes the key before the results see it,
    // so the preview they opened is closed here: while idle, and while a
    // search runs when the key comes from the results (a second Escape then
    // stops the search).
    QuickLookController* preview = QuickLookController::currentController();
    if (preview && preview->isOpen() && (!m_search->isSearching() || m_results->hasFocus())) {
        preview->closeQuickLook();
        return;
    }
    if (m_search->isSearching())
        m_searchButton->click();
}

bool SearchWindow::checkKeyWindowEvent(QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & kModifierMask;
    if (modifiers == Qt::ControlModifier) {
        if (!m_search->isSearching() || key->key() != Qt::Key_Period)
            return false;
        m_search->requestStop();
        return true;
    }
    // The arrows are taken at the first offer (the shortcut override when
    // one comes), so the field never sees them.
    if (modifiers != Qt::NoModifier)
        return false;
    if (QApplication::focusWidget() != m_searchInput || (key->key() != Qt::Key_Up && key->key() != Qt::Key_Down))
        return false;
    m_results->takeArrowKey(key->key());
    return true;
}

void SearchWindow::searchEnded()
{
    setSearching(false);
    emit searchDidEnd();
}

void SearchWindow::selectionChanged()
{
    if (m_commands)
        m_commands->update();
    selectionDidChange();
}

QWidget* SearchWindow::makePathControl(QWidget* parent)
{
    m_pathControl = new PathControl(parent);
    m_pathControl->setObjectName(QStringLiteral("pathControl"));
    // A long path must neither widen the window nor hide the status: it is
    // cut at its start, so the item's own name stays in view.
    m_pathControl->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pathControl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pathControl->setFont(smallSystemFont());
    return m_pathControl;
}

void SearchWindow::selectionDidChange()
{
    if (!m_pathControl)
        return;
    const ResultPointer result = m_results->selectedResult();
    m_pathControl->setURL(result ? fileURLWithRepresentation(result->fullPath()) : QUrl());
    m_pathControl->setToolTip(result ? result->fullPath() : QString());
}

// --- settings -----------------------------------------------------------------------------

std::uint64_t SearchWindow::searchWhat() const
{
    const auto bit = [](const QCheckBox* box, std::uint64_t value) { return box->isChecked() ? value : 0U; };
    return bit(m_searchName, kSearchNames) | bit(m_searchContent, kSearchContents) | bit(m_searchTags, kSearchTags)
           | bit(m_searchComments, kSearchComments);
}

std::uint64_t SearchWindow::searchComparison() const
{
    return (m_searchCaseInsensitive->isChecked() ? 1U : 0U) | (m_searchNoUmlauts->isChecked() ? 2U : 0U)
           | (m_searchFuzzy->isChecked() ? 4U : 0U);
}

int SearchWindow::searchMode() const
{
    return m_searchMode->checkedId();
}

int SearchWindow::searchType() const
{
    return m_searchType->checkedId();
}

void SearchWindow::setSettings()
{
    std::uint32_t what = std::uint32_t(integerForKey(m_defaults, kSearchWhat));
    if (what == 0)
        what = kSearchNames;
    m_searchName->setChecked(what & kSearchNames);
    m_searchContent->setChecked(what & kSearchContents);
    m_searchTags->setChecked(what & kSearchTags);
    m_searchComments->setChecked(what & kSearchComments);
    const qint64 comparison = integerForKey(m_defaults, kSearchComparison, 1);
    m_searchCaseInsensitive->setChecked(comparison & 1);
    m_searchNoUmlauts->setChecked(comparison & 2);
    m_searchFuzzy->setChecked(comparison & 4);
    // A stored tag without a cell keeps the default selection.
    QAbstractButton* mode = m_searchMode->button(int(integerForKey(m_defaults, kSearchOperator, kSearchPhrase)));
    (mode ? mode : m_searchMode->button(kSearchPhrase))->setChecked(true);
    QAbstractButton* type = m_searchType->button(int(integerForKey(m_defaults, kSearchType, kSearchFilesAndFolders)));
    (type ? type : m_searchType->button(kSearchFilesAndFolders))->setChecked(true);
    m_searchInvisibles->setChecked(boolForKey(m_defaults, kSearchInvisibles, false));
    m_searchPackages->setChecked(boolForKey(m_defaults, kSearchPackages, false));
}

void SearchWindow::getSettings()
{
    m_defaults.setInteger(searchMode(), kSearchOperator);
    m_defaults.setInteger(searchType(), kSearchType);
    m_defaults.setBool(m_searchInvisibles->isChecked(), kSearchInvisibles);
    m_defaults.setBool(m_searchPackages->isChecked(), kSearchPackages);
    m_defaults.setInteger(qint64(searchComparison()), kSearchComparison);
    m_defaults.setInteger(qint64(searchWhat()), kSearchWhat);
}

bool SearchWindow::isDrawerVisible() const
{
    return m_settingsDrawer->isVisible();
}

void SearchWindow::toggleSettings()
{
    m_settingsDrawer->openOrClose();
    m_commands->update();
}

void SearchWindow::synchronizeDefaults()
{
    m_search->finish();
    if (m_saved)
        return;
    m_defaults.setInteger(qint64(searchComparison()), kSearchComparison);
    m_defaults.setInteger(searchMode(), kSearchOperator);
    m_defaults.setInteger(searchType(), kSearchType);
    m_defaults.setBool(m_searchInvisibles->isChecked(), kSearchInvisibles);
    m_defaults.setBool(m_searchPackages->isChecked(), kSearchPackages);
    m_defaults.setString(storedStringOfPath(m_path), kSearchLocation);
    const ResultsDataSource& results = m_search->engine().dataSource();
    m_defaults.setInteger(qint64(results.sorting()), perWindowKey("SearchSorting-%1", m_index));
    m_defaults.setBool(results.isReverseSorting(), perWindowKey("SearchReverse-%1", m_index));
    m_defaults.synchronize();
    m_saved = true;
}

void SearchWindow::didChangeType()
{
    const bool files = searchType() & kSearchFiles;
    m_searchContent->setEnabled(files);
    if (!files)
        m_searchContent->setChecked(false);
}

void SearchWindow::didChangeMode()
{
    const bool terms = searchMode() == kSearchQueryTerms;
    for (QCheckBox* check : {m_searchNoUmlauts, m_searchFuzzy}) {
        check->setEnabled(terms);
        if (!terms)
            check->setChecked(false);
    }
}

// --- destinations ----------------------------------------------------------------------------

QMenu* SearchWindow::destinationMenu() const
{
    return m_searchLocation->menu();
}

void SearchWindow::showDestinationMenu()
{
    m_searchLocation->showMenu();
}

QString SearchWindow::destinationTitle() const
{
    return m_searchLocation->text();
}

void SearchWindow::initDestination()
{
    QMenu* menu = destinationMenu();
    menu->clear();
    QAction* select = menu->addAction(tr("Select..."));
    select->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    select->setObjectName(QStringLiteral("selectDestination"));
    connect(select, &QAction::triggered, this, &SearchWindow::selectDestination);
    menu->addSeparator();
    for (const char16_t* pseudo : {kActiveDestination, kAllVolumesDestination, kLocalVolumesDestination,
                                   kRemovableVolumesDestination}) {
        const QString value = QString::fromUtf16(pseudo);
        QAction* item = menu->addAction(pseudoDestinationTitle(value));
        item->setData(value);
        connect(item, &QAction::triggered, this, [this, value] { setDestination(value); });
        if (pseudo == kActiveDestination)
            menu->addSeparator();
    }
    // The folders are scanned off the interface thread; a newer scan (a
    // mount during this one) replaces what this one would add.
    const quint64 scan = ++m_destinationScan;
    const auto scanFolders = [support = applicationSupportPath(QStringLiteral("Sorvant"))] {
        return scanDestinations(support);
    };
    whenReady(runInBackground(scanFolders), this, [this, scan](const QList<DestinationEntry>& entries) {
            if (scan != m_destinationScan)
                return;
            for (const DestinationEntry& entry : entries) {
                if (entry.path.isNull())
                    destinationMenu()->addSeparator();
                else
                    addDestinationItem(entry.path, entry.indent);
            }
            emit destinationsScanned();
        });
}

void SearchWindow::addDestinationItem(const QString& path, bool indent)
{
    QMenu* menu = destinationMenu();
    const QString key = stringByAbbreviatingWithTildeInPath(path);
    const QList<QAction*> actions = menu->actions();
    for (auto it = actions.crbegin(); it != actions.crend(); ++it) {
        if ((*it)->data().toString().compare(key, Qt::CaseInsensitive) == 0 && (*it)->data().isValid())
            return;
    }
    const QString title = destinationDisplayName(path);
    QAction* item = menu->addAction(indent ? QStringLiteral("    ") + title : title);
    item->setData(key);
    const QImage icon = cachedIconForFile(stringByExpandingTildeInPath(path), false, QSize(16, 16));
    if (!icon.isNull())
        item->setIcon(QIcon(QPixmap::fromImage(icon)));
    connect(item, &QAction::triggered, this, [this, key] { setDestination(stringByExpandingTildeInPath(key)); });
}

void SearchWindow::setDestination(const QString& path)
{
    if (path.isNull())
        return;
    m_path = path;
    const QString pseudo = pseudoDestinationTitle(m_path);
    m_searchLocation->setText(pseudo.isNull() ? destinationDisplayName(m_path) : pseudo);
    m_searchLocation->setToolTip(pseudo.isNull() ? stringByExpandingTildeInPath(m_path) : pseudo);
    const QImage icon = pseudo.isNull()
                            ? cachedIconForFile(stringByExpandingTildeInPath(m_path), false, QSize(16, 16))
                            : QImage();
    m_searchLocation->setIcon(icon.isNull() ? QIcon() : QIcon(QPixmap::fromImage(icon)));
}

QString SearchWindow::destination() const
{
    return validatedDestination(m_path);
}

void SearchWindow::setInput(const QString& phrase)
{
    m_searchInput->setText(phrase.isNull() ? QString() : phrase);
}

QString SearchWindow::input() const
{
    return m_searchInput->text();
}

void SearchWindow::beep()
{
    QApplication::beep();
}

// --- closing ------------------------------------------------------------------------------------

bool SearchWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_results && event->type() == QEvent::KeyPress)
        return handleQuickLookKeyDown(m_results, static_cast<QKeyEvent*>(event));
    return QMainWindow::eventFilter(watched, event);
}

void SearchWindow::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    // A question still open ends first (answered "Cancel").
    if (m_sheet)
        m_sheet->close();
    synchronizeDefaults();
    if (QuickLookController* preview = QuickLookController::currentController())
        preview->removeObserverForView(m_results);
    // The closed window's results leave the table and the badge.
    m_search->clearResults();
    m_closed = true;
    event->accept();
    emit windowDidClose(this);
}

} // namespace sorvant
