#include "app/preferences_panel.h"

#include "foundation/user_defaults_getters.h"
#include "interface/controls.h"
#include "interface/localization.h"
#include "interface/window_extensions.h"
#include "platform/user_defaults.h"

#include <QCheckBox>
#include <QPointer>
#include <QVBoxLayout>

namespace sorvant {

namespace {

QPointer<PreferencesPanel> g_sharedPanel;
const QString kQuitOnClose = QStringLiteral("QuitOnClose");

} // namespace

PreferencesPanel::PreferencesPanel(UserDefaults& defaults, QWidget* parent)
    : QDialog(parent), m_defaults(defaults),
      m_quitOnClose(new QCheckBox(QStringLiteral("Quit when the last window closes"), this))
{
    setObjectName(QStringLiteral("Preferences"));
    setWindowTitle(QStringLiteral("Preferences"));
    m_quitOnClose->setObjectName(QStringLiteral("quitOnClose"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 20);
    layout->addWidget(m_quitOnClose);
    useReadableIndicators(m_quitOnClose);
    setMinimumWidth(360);
    // English texts, looked up once as the panel is made.
    localize(this);
    m_quitOnClose->setChecked(boolForKey(m_defaults, kQuitOnClose, false));
    connect(m_quitOnClose, &QCheckBox::clicked, this, &PreferencesPanel::toggleQuitOnClose);
    addCloseWindowAction(this);
    g_sharedPanel = this;
}

PreferencesPanel::~PreferencesPanel()
{
    if (g_sharedPanel == this)
        g_sharedPanel = nullptr;
}

PreferencesPanel* PreferencesPanel::sharedPreferencesPanel()
{
    return g_sharedPanel;
}

PreferencesPanel* PreferencesPanel::orderFront(UserDefaults& defaults)
{
    PreferencesPanel* panel = g_sharedPanel ? g_sharedPanel.data() : new PreferencesPanel(defaults);
    panel->show();
    panel->raise();
    panel->activateWindow();
    return panel;
}

void PreferencesPanel::toggleQuitOnClose()
{
    m_defaults.setBool(m_quitOnClose->isChecked(), kQuitOnClose);
}

} // namespace sorvant
