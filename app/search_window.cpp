#include "app/search_window.h"

#include "app/destination_menu.h"
#include "app/destinations.h"
#include "app/failure_messages.h"
#include "app/file_actions.h"
#include "app/results_table_model.h"
#include "app/results_view.h"
#include "app/search_options.h"
#include "app/search_window_commands.h"
#include "app/settings_drawer.h"
#include "foundation/lines.h"
#include "foundation/user_defaults_getters.h"
#include "interface/application.h"
#include "interface/controls.h"
#include "interface/fonts.h"
#include "interface/frame_clamp.h"
#include "interface/find_pasteboard.h"
#include "interface/localization.h"
#include "interface/quick_look.h"
#include "interface/shown_names.h"
#include "platform/background_work.h"
#include "platform/notification_center.h"
#include "platform/file_system_representation.h"
#include "platform/unicode.h"
#include "platform/user_defaults.h"
#include "system/workspace_monitors.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace sorvant {

namespace {

const QString kSearchLocation = QStringLiteral("SearchLocation");

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
    connect(m_search, &SearchController::statusTextChanged, this, &SearchWindow::showStatus);
    connect(m_search, &SearchController::searchDidEnd, this, &SearchWindow::searchEnded);
    connect(m_search, &SearchController::rowsChanged, this, &SearchWindow::selectionChanged);
    setObjectName(QStringLiteral("FindWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildInterface();
    // Children are destroyed in their order: the controller goes after the
    // parts built on it.
    m_search->setParent(nullptr);
    m_search->setParent(this);
    // The controls are built with English texts, looked up once here, before
    // any folder name or phrase is shown in them; the destination menu and
    // the status line look their texts up as they change.
    localize(this);

    // Sorting remembered for this window index.
    m_search->restoreSorting(
        std::uint64_t(integerForKey(m_defaults, perWindowKey("SearchSorting-%1", m_index), 0) & 7),
        boolForKey(m_defaults, perWindowKey("SearchReverse-%1", m_index), false));
    m_results->showSortIndicator();

    m_destinations->rescan();
    setDestination(pathOfStoredString(stringForKey(m_defaults, kSearchLocation, QDir::homePath())));
    // From now on a destination chosen is one the shown results are not of.
    connect(m_destinations, &DestinationMenu::destinationChanged, this, &SearchWindow::destinationChanged);
    m_options->load();
    m_settingsDrawer->loadSettings();

    // A volume mounted or unmounted changes the destination menu.
    for (const QString& name : {WorkspaceDidMountVolumeNotification, WorkspaceDidUnmountVolumeNotification})
        NotificationCenter::defaultCenter().addObserver(
            name, [this](const Notification&) { m_destinations->rescan(); }, {}, this);

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
    m_destinations = new DestinationMenu(central);
    connect(m_destinations, &DestinationMenu::selectRequested, this, &SearchWindow::selectDestination);
    searchRow->addWidget(m_searchInput, 1);
    searchRow->addWidget(new QLabel(QStringLiteral("in"), central));
    searchRow->addWidget(m_destinations);
    searchRow->addWidget(m_searchButton);
    layout->addLayout(searchRow);
    m_options = new SearchOptions(m_defaults, central);
    layout->addWidget(m_options->putInScrollingFrame(central));

    m_results = new ResultsView(*m_search, m_defaults, m_index, central);
    connect(m_results->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SearchWindow::selectionChanged);
    // However small the window, the table shows five rows.
    m_results->setMinimumHeight(m_results->heightShowingRows(5));
    layout->addWidget(m_results, 1);
    m_fileActions = new FileActions(*m_results, *m_search, this, *this);
    // A running Trash or Delete shows its progress in the status line; its
    // items are offered to neither again until it ends.
    connect(m_fileActions, &FileActions::progressChanged, this, &SearchWindow::showStatus);
    connect(m_fileActions, &FileActions::underWayChanged, this, &SearchWindow::selectionChanged);
    m_settingsDrawer = new SettingsDrawer(m_defaults, m_index, this);
    // However the drawer opens or closes, the toolbar's item follows it.
    const auto follow = [this] {
        if (m_commands)
            m_commands->update();
    };
    connect(m_settingsDrawer, &NSDrawerExtended::didOpen, this, follow);
    connect(m_settingsDrawer, &NSDrawerExtended::didClose, this, follow);
    SearchOptions::applyReadablePalette(m_settingsDrawer->contentView());

    auto* statusRow = new QHBoxLayout;
    m_searchIndicator = new QProgressBar(central);
    m_searchIndicator->setRange(0, 0);
    m_searchIndicator->setMaximumWidth(120);
    m_searchIndicator->setTextVisible(false);
    m_searchIndicator->hide();
    m_searchInfo = new QLabel(central);
    m_searchInfo->setObjectName(QStringLiteral("searchInfo"));
    // The work under way may name items: never read as markup.
    m_searchInfo->setTextFormat(Qt::PlainText);
    statusRow->addWidget(m_searchIndicator);
    statusRow->addWidget(m_searchInfo, 1);
    statusRow->addWidget(makePathControl(central), 2);
    layout->addLayout(statusRow);
    setCentralWidget(central);

    m_commands = new SearchWindowCommands(this);
    connectCommands();
    buildToolbar();
    // A new window has nothing selected to act on.
    m_commands->update();
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &SearchWindow::cancelOperation);
    setSearching(false);
    resize(1040, 640);
    // On a screen too small for it (or at a large scale) the window takes
    // the screen, its frame included.
    clampFrameWhenLargerThanScreen(this);
    // A folder dropped anywhere on the window becomes its destination, on
    // the search field too.
    setAcceptDrops(true);
    m_searchInput->installEventFilter(this);
}

void SearchWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange && m_settingsDrawer)
        SearchOptions::applyReadablePalette(m_settingsDrawer->contentView());
}

void SearchWindow::connectCommands()
{
    m_results->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_results, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        m_commands->contextMenu()->popup(m_results->viewport()->mapToGlobal(position));
    });
    connect(m_results, &ResultsView::columnsMenuRequested, this, [this](const QPoint& position) {
        QMenu* menu = m_commands->makeColumnsMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(position);
    });
    // A double-click and a header click are the Open and sorting commands.
    connect(m_results, &QAbstractItemView::doubleClicked, this, [this] { m_commands->perform("openFile:"); });
    connect(m_results, &ResultsView::sortColumnClicked, this, [this](int column) {
        const std::optional<std::uint64_t> key = ResultsTableModel::sortKeyForColumn(column);
        // A column without a sort key changes nothing, but the header has
        // already moved its indicator there: put it back.
        if (!key)
            m_results->showSortIndicator();
        else if (*key == m_search->sorting())
            m_commands->perform("setReverseSorting:", m_search->isReverseSorting() ? 0 : 1);
        else
            m_commands->perform("setSorting:", int(*key));
    });
}

// --- running and stopping ----------------------------------------------------------------

void SearchWindow::search()
{
    if (m_search->isSearching()) {
        m_search->requestStop();
        return;
    }
    // A second Return while the folder is being tested is the same request.
    if (m_testingDestination)
        return;
    const QString phrase = unicode::normalizedString(m_searchInput->text(), unicode::NormalizationForm::NFC);
    const QString stored = m_destinations->storedDestination();
    if (isWhiteString(phrase) || stored.isNull()) {
        // An empty field says what it wants, not only a beep.
        if (isWhiteString(phrase))
            m_searchInfo->setText(tr("Type a name or words to search for."));
        QApplication::beep();
        emit searchAnswered();
        return;
    }
    // The file manager's front folder cannot be asked for on this desktop.
    if (stored == QStringView(kActiveDestination)) {
        showFailureSheet(activeFileManagerFailure(), this);
        emit searchAnswered();
        return;
    }
    // Whether the destination is a folder is a file test, which may wait
    // on a slow or hung volume: it runs off this thread, and the search
    // starts (or the failure is said) when the answer is back.
    m_testingDestination = true;
    whenReady(m_destinations->testedDestination(), this, [this, phrase](const TestedDestination& tested) {
        m_testingDestination = false;
        // A window closed meanwhile searches nothing.
        if (!m_closed)
            startSearch(phrase, tested);
        emit searchAnswered();
    });
}

void SearchWindow::startSearch(const QString& phrase, const TestedDestination& destination)
{
    // What cannot be searched is said, and the results of another folder
    // no longer stand for it.
    if (destination.path.isNull()) {
        m_search->clearResults();
        selectionChanged();
        m_searchInfo->clear();
        showFailureSheet(destination.failure, this);
        return;
    }
    const QString& path = destination.path;
    SearchRequest request;
    request.phrase = phrase;
    request.path = path;
    copyToFindPboard(request.phrase);
    m_options->save();
    m_settingsDrawer->saveSettings();
    m_options->fill(request);
    // No field ticked to look in: said, rather than an empty table.
    if (request.what == 0) {
        m_search->clearResults();
        selectionChanged();
        m_searchInfo->setText(tr("Nothing to search in: tick a box under “Search in”."));
        QApplication::beep();
        return;
    }
    const bool started = m_search->start(request);
    selectionChanged();
    if (!started) {
        if (const QString error = m_search->searchError(); !error.isNull())
            showFailureSheet(invalidPatternFailure(request.phrase, error), this);
        return;
    }
    // The phrase is the user's text: shown marked, and "[*]" as written.
    setWindowTitle(literalWindowTitle(isolatedVisibleName(request.phrase)));
    setSearching(true);
    m_searchInfo->setText(tr("%1 found/%2 done").arg(0).arg(0));
}

void SearchWindow::destinationChanged()
{
    // The results shown are another folder's: they leave rather than stand
    // under the new destination until the next search. A running search
    // goes on where it started, and its results stay.
    if (m_search->isSearching() || m_testingDestination)
        return;
    m_search->clearResults();
    selectionChanged();
    m_searchInfo->clear();
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

void SearchWindow::showStatus()
{
    const QString work = m_fileActions ? m_fileActions->progressText() : QString();
    m_searchInfo->setText(work.isNull() ? m_search->statusText() : work);
}

void SearchWindow::selectionChanged()
{
    if (m_commands)
        m_commands->update();
    if (!m_pathControl)
        return;
    const ResultPointer result = m_results->selectedResult();
    m_pathControl->setURL(result ? fileURLWithRepresentation(result->fullPath()) : QUrl());
    m_pathControl->setToolTip(result ? pathToolTip(result->fullPath()) : QString());
    // With no path to show, the status beside it has the whole line.
    m_pathControl->setVisible(result != nullptr);
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

// --- settings -----------------------------------------------------------------------------

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
    m_options->save(SearchOptions::Saved::AllButWhat);
    m_defaults.setString(storedStringOfPath(m_destinations->storedDestination()), kSearchLocation);
    m_defaults.setInteger(qint64(m_search->sorting()), perWindowKey("SearchSorting-%1", m_index));
    m_defaults.setBool(m_search->isReverseSorting(), perWindowKey("SearchReverse-%1", m_index));
    m_defaults.synchronize();
    m_saved = true;
}

void SearchWindow::setInput(const QString& phrase)
{
    m_searchInput->setText(phrase.isNull() ? QString() : phrase);
}

QString SearchWindow::input() const
{
    return m_searchInput->text();
}

void SearchWindow::setDestination(const QString& path)
{
    m_destinations->setDestination(path);
}

// --- closing ------------------------------------------------------------------------------------

bool SearchWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_searchInput)
        return searchFieldDragEvent(event) || QMainWindow::eventFilter(watched, event);
    if (watched != m_results || event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    // Space is the Quick Look command (with Alt the slide show), whatever
    // it finds to act on; the preview's own keys go to the preview.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space) {
        m_commands->perform((key->modifiers() & Qt::AltModifier) ? "toggleSlideshowAction:" : "toggleQuickLookAction:");
        return true;
    }
    return handleQuickLookKeyDown(m_results, key);
}

void SearchWindow::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    // A question still open ends first (answered "Cancel").
    for (QWidget* sheet : {m_sheet.data(), m_fileActions->openSheet()}) {
        if (sheet)
            sheet->close();
    }
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
