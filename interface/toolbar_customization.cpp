#include "interface/toolbar_customization.h"

#include "interface/symbol_toolbar.h"
#include "interface/toolbar_items.h"
#include "platform/user_defaults.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <memory>

namespace sorvant {

namespace {

bool isRepeatable(const QString& identifier)
{
    return identifier == kToolbarSeparatorIdentifier || identifier == kToolbarSpaceIdentifier;
}

} // namespace

ToolbarCustomizationDialog::ToolbarCustomizationDialog(SymbolToolbar* toolbar, UserDefaults& defaults,
                                                       QWidget* parent)
    : QDialog(parent), m_toolbar(toolbar), m_defaults(defaults), m_allowed(new QListWidget),
      m_current(new QListWidget), m_mode(new QComboBox)
{
    setWindowTitle(tr("Customize Toolbar"));
    m_current->setDragDropMode(QAbstractItemView::InternalMove);
    m_current->setDefaultDropAction(Qt::MoveAction);
    m_mode->addItem(tr("Icon and Text"), SymbolToolbar::IconAndLabelMode);
    m_mode->addItem(tr("Icon Only"), SymbolToolbar::IconOnlyMode);
    m_mode->addItem(tr("Text Only"), SymbolToolbar::LabelOnlyMode);
    const int mode = toolbar->displayMode() == SymbolToolbar::DefaultMode ? SymbolToolbar::IconAndLabelMode
                                                                         : toolbar->displayMode();
    m_mode->setCurrentIndex(m_mode->findData(mode));

    const ToolbarDelegate* delegate = toolbar->delegate();
    QStringList allowed = delegate ? delegate->toolbarAllowedItemIdentifiers() : QStringList();
    allowed << kToolbarSeparatorIdentifier << kToolbarSpaceIdentifier;
    fill(m_allowed, allowed);
    fill(m_current, toolbar->itemIdentifiers());

    auto* add = new QPushButton(tr("Add"));
    auto* remove = new QPushButton(tr("Remove"));
    auto* defaultSet = new QPushButton(tr("Use Default Set"));
    connect(add, &QPushButton::clicked, this, &ToolbarCustomizationDialog::addSelected);
    connect(remove, &QPushButton::clicked, this, &ToolbarCustomizationDialog::removeSelected);
    connect(defaultSet, &QPushButton::clicked, this, &ToolbarCustomizationDialog::useDefaultSet);
    connect(m_allowed, &QListWidget::itemDoubleClicked, this, &ToolbarCustomizationDialog::addSelected);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Done"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ToolbarCustomizationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ToolbarCustomizationDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(tr("Available items:")), 0, 0);
    layout->addWidget(new QLabel(tr("Toolbar items (drag to reorder):")), 0, 2);
    layout->addWidget(m_allowed, 1, 0, 3, 1);
    layout->addWidget(add, 1, 1);
    layout->addWidget(remove, 2, 1, Qt::AlignTop);
    layout->addWidget(m_current, 1, 2, 3, 1);
    auto* show = new QHBoxLayout;
    show->addWidget(new QLabel(tr("Show:")));
    show->addWidget(m_mode);
    show->addStretch();
    show->addWidget(defaultSet);
    layout->addLayout(show, 4, 0, 1, 3);
    layout->addWidget(buttons, 5, 0, 1, 3);
}

void ToolbarCustomizationDialog::fill(QListWidget* list, const QStringList& identifiers)
{
    list->clear();
    ToolbarDelegate* delegate = m_toolbar->delegate();
    for (const QString& identifier : identifiers) {
        auto* row = new QListWidgetItem(list);
        row->setData(Qt::UserRole, identifier);
        if (identifier == kToolbarSeparatorIdentifier) {
            row->setText(tr("Separator"));
        } else if (identifier == kToolbarSpaceIdentifier) {
            row->setText(tr("Flexible Space"));
        } else if (ToolbarItem* existing = m_toolbar->itemWithIdentifier(identifier)) {
            row->setText(existing->label());
            row->setIcon(existing->icon());
        } else if (delegate) {
            // A throw-away item for its label and picture.
            std::unique_ptr<ToolbarItem> item(delegate->toolbarItemForItemIdentifier(identifier));
            row->setText(item ? item->label() : identifier);
            if (item)
                row->setIcon(item->icon());
        }
    }
}

QStringList ToolbarCustomizationDialog::chosenIdentifiers() const
{
    QStringList identifiers;
    for (int i = 0; i < m_current->count(); ++i)
        identifiers << m_current->item(i)->data(Qt::UserRole).toString();
    return identifiers;
}

void ToolbarCustomizationDialog::addSelected()
{
    const QListWidgetItem* chosen = m_allowed->currentItem();
    if (!chosen)
        return;
    const QString identifier = chosen->data(Qt::UserRole).toString();
    if (!isRepeatable(identifier) && chosenIdentifiers().contains(identifier))
        return;
    auto* row = chosen->clone();
    const int at = m_current->currentRow();
    m_current->insertItem(at < 0 ? m_current->count() : at + 1, row);
    m_current->setCurrentItem(row);
}

void ToolbarCustomizationDialog::removeSelected()
{
    delete m_current->takeItem(m_current->currentRow());
}

void ToolbarCustomizationDialog::useDefaultSet()
{
    if (const ToolbarDelegate* delegate = m_toolbar->delegate())
        fill(m_current, delegate->toolbarDefaultItemIdentifiers());
    m_mode->setCurrentIndex(m_mode->findData(SymbolToolbar::IconAndLabelMode));
}

void ToolbarCustomizationDialog::accept()
{
    m_toolbar->setDisplayMode(static_cast<SymbolToolbar::DisplayMode>(m_mode->currentData().toInt()));
    m_toolbar->setItemIdentifiers(chosenIdentifiers());
    m_toolbar->saveConfiguration(m_defaults);
    QDialog::accept();
}

} // namespace sorvant
