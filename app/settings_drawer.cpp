#include "app/settings_drawer.h"

#include "foundation/user_defaults_getters.h"
#include "platform/user_defaults.h"
#include "search/content_extensions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace sorvant {

namespace {

const QString kScanAll = QStringLiteral("scanAll");

constexpr Size kDrawerMinimumSize{320, 200};

QString listKey(const char* name, int list)
{
    return QString::fromLatin1(name) + QString::number(list);
}

} // namespace

SettingsDrawer::SettingsDrawer(UserDefaults& defaults, quint64 index, QWidget* window)
    // Without a size of the user's the drawer opens at its minimum, wide
    // enough for the lists to be read.
    : NSDrawerExtended(kDrawerMinimumSize, DrawerEdge::Right, window), m_defaults(defaults)
{
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("settingsDrawer"));
    auto* layout = new QGridLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* title = new QLabel(QStringLiteral("Contents of these files"), content);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title, 0, 0, 1, 2);
    for (int list = 1; list <= 6; ++list) {
        auto* on = new QCheckBox(content);
        on->setObjectName(listKey("fileExtOn", list));
        auto* field = new QLineEdit(content);
        field->setObjectName(listKey("fileExt", list));
        field->setMinimumWidth(180);
        m_fileExtOn.at(size_t(list - 1)) = on;
        m_fileExt.at(size_t(list - 1)) = field;
        layout->addWidget(on, list, 0);
        layout->addWidget(field, list, 1);
    }
    m_scanAll = new QCheckBox(QStringLiteral("Search the contents of all files"), content);
    m_scanAll->setObjectName(QStringLiteral("scanAll"));
    connect(m_scanAll, &QCheckBox::clicked, this, &SettingsDrawer::didChangeScanAll);
    layout->addWidget(m_scanAll, 7, 0, 1, 2);
    layout->setRowStretch(8, 1);
    layout->setColumnStretch(1, 1);

    setMinContentSize(kDrawerMinimumSize);
    setAutosaveName(QStringLiteral("SettingsDrawer4-%1").arg(index));
    setContentView(content);
}

void SettingsDrawer::openOrClose()
{
    if (!isVisible()) {
        loadSettings();
        open();
    } else {
        saveSettings();
        close();
    }
}

void SettingsDrawer::loadSettings()
{
    for (int list = 1; list <= 6; ++list) {
        listBox(list)->setChecked(boolForKey(m_defaults, listKey("fileExtOn", list), defaultFileExtensionsOn(list)));
        listField(list)->setText(stringForKey(m_defaults, listKey("fileExt", list), defaultFileExtensions(list)));
        listField(list)->setCursorPosition(0);
    }
    m_scanAll->setChecked(boolForKey(m_defaults, kScanAll, false));
    didChangeScanAll();
}

void SettingsDrawer::saveSettings()
{
    for (int list = 1; list <= 6; ++list)
        m_defaults.setBool(listBox(list)->isChecked(), listKey("fileExtOn", list));
    for (int list = 1; list <= 6; ++list)
        m_defaults.setString(listField(list)->text(), listKey("fileExt", list));
    m_defaults.setBool(m_scanAll->isChecked(), kScanAll);
    m_defaults.synchronize();
}

void SettingsDrawer::didChangeScanAll()
{
    const bool enabled = !m_scanAll->isChecked();
    for (int list = 1; list <= 6; ++list) {
        listBox(list)->setEnabled(enabled);
        listField(list)->setEnabled(enabled);
    }
}

} // namespace sorvant
