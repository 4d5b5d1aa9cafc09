// SearchWindow: its toolbar "FindWindow", built from one table of items,
// restored from (and customized into) the user defaults. Each item shows
// one of the window's commands (search_window_commands.h). Share stays
// visible and disabled: no sharing service is found on the desktop.

#include "app/search_window.h"
#include "app/search_window_commands.h"
#include "interface/image_representations.h"
#include "interface/images.h"
#include "interface/toolbar_customization.h"
#include "interface/toolbar_items.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace sorvant {

namespace {

struct ToolbarItemRow
{
    const char* label;
    const char* image;      // a picture of the application's own
    const char* symbol;     // the symbol shown first; null: the picture only
    const char* identifier; // also the item's object name
    const char* command;    // the selector of the command it shows
};

// Symbols beginning with "qx." are the application's own drawings, the
// others the desktop's; a symbol that is not found gives way to the picture.
const ToolbarItemRow kToolbarItems[] = {
    {"Settings", "symbols/gear", "gear", "settings", "toggleSettings:"},
    {"Open", "Open Doc", "qx.window.on.rectangle", "open", "openFile:"},
    {"Show in File Manager", "Reveal in Finder", "qx.finder", "reveal", "revealFileInFinder:"},
    {"Move To Trash", "Delete", "qx.trash", "delete", "moveToTrash:"},
    {"Quirrel", "Quirrel 3", nullptr, "quirrel", "addToQX:"},
    {"Quick Look", "qx.eye", "qx.eye", "quicklook", "toggleQuickLookAction:"},
    {"Share", "symbols/square.and.arrow.up", "square.and.arrow.up", "share", "shareAction:"},
    {"Properties", "Info", "qx.info.circle", "info", "showInfo:"},
};

// The search window's toolbar: a change into or out of icon-only mode
// re-makes its symbol images in the size of the new mode, once the toolbar
// is in a window.
class SearchToolbar : public SymbolToolbar
{
public:
    using SymbolToolbar::SymbolToolbar;

    void setDisplayMode(DisplayMode mode) override
    {
        const DisplayMode previous = displayMode();
        SymbolToolbar::setDisplayMode(mode);
        const SymbolConfiguration* configuration = symbolConfiguration();
        if (!configuration || (previous == IconOnlyMode) == (mode == IconOnlyMode) || !parentWidget())
            return;
        for (ToolbarItem* item : items()) {
            if (const ImageRep* symbol = isSymbolImage(item->image()) ? symbolImageRep(item->image()) : nullptr)
                item->setImage(imageWithSymbolName(symbol->symbolName(), configuration->pointSize));
        }
    }
};

// The row's symbol in the toolbar's size, else its picture.
Image toolbarImage(const ToolbarItemRow& row, const SymbolToolbar* toolbar)
{
    const SymbolConfiguration* configuration = toolbar ? toolbar->symbolConfiguration() : nullptr;
    if (row.symbol && configuration) {
        if (Image symbol = imageWithSymbolName(QString::fromLatin1(row.symbol), configuration->pointSize))
            return symbol;
    }
    return cachedImageNamed(QString::fromLatin1(row.image));
}

// The default items; "" is a separator, "-" a flexible space.
const char* const kDefaultItems[] = {"settings", "", "open", "reveal", "", "delete", "", "quicklook", "share", "-",
                                     "info"};
// What the customize dialog offers, in its order.
const char* const kAllowedItems[] = {"quicklook", "share", "open", "reveal", "quirrel", "delete", "info", "settings",
                                     "",          "-"};

QString configurationIdentifier(const char* item)
{
    if (*item == '\0')
        return kToolbarSeparatorIdentifier;
    if (*item == '-')
        return kToolbarSpaceIdentifier;
    return QString::fromLatin1(item);
}

} // namespace

ToolbarItem* SearchWindow::toolbarItem(const QString& identifier)
{
    for (const ToolbarItemRow& row : kToolbarItems) {
        if (identifier != QLatin1String(row.identifier))
            continue;
        QObject* owner = m_toolbar ? static_cast<QObject*>(m_toolbar) : this;
        auto* item = new ToolbarItem(identifier, owner);
        item->setImage(toolbarImage(row, m_toolbar));
        item->setLabel(tr(row.label));
        item->setCommand(m_commands->command(row.command));
        return item;
    }
    return nullptr;
}

QStringList SearchWindow::toolbarAllowedItemIdentifiers() const
{
    QStringList identifiers;
    for (const char* item : kAllowedItems)
        identifiers.append(configurationIdentifier(item));
    return identifiers;
}

QStringList SearchWindow::toolbarDefaultItemIdentifiers() const
{
    QStringList identifiers;
    for (const char* item : kDefaultItems)
        identifiers.append(configurationIdentifier(item));
    return identifiers;
}

ToolbarItem* SearchWindow::toolbarItemForItemIdentifier(const QString& identifier)
{
    return toolbarItem(identifier);
}

void SearchWindow::buildToolbar()
{
    ensureImageResources();
    m_toolbar = new SearchToolbar(QStringLiteral("FindWindow"), this);
    m_toolbar->setWindowTitle(tr("Toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(24, 24));
    m_toolbar->setDelegate(this);
    // A command's tool tip is its item's: the items show it (Quick Look's
    // then names what it would show).
    for (const ToolbarItemRow& row : kToolbarItems)
        m_commands->command(row.command)->setToolTip(tr(row.label));
    m_toolbar->restoreConfiguration(m_defaults);
    m_toolbar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_toolbar, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        QMenu menu(m_toolbar);
        menu.addAction(tr("Customize Toolbar…"), this, [this] { runToolbarCustomizationPalette(); });
        menu.exec(m_toolbar->mapToGlobal(position));
    });
    addToolBar(Qt::TopToolBarArea, m_toolbar);
}

QDialog* SearchWindow::runToolbarCustomizationPalette()
{
    auto* dialog = new ToolbarCustomizationDialog(m_toolbar, m_defaults, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

} // namespace sorvant
