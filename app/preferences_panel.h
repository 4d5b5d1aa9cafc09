#pragma once
// PreferencesPanel: the application's own setting, "QuitOnClose" (quit when
// the last search window closes). One panel per process: once made it stays
// and is shown again.

#include <QDialog>

class QCheckBox;

namespace sorvant {

class UserDefaults;

class PreferencesPanel : public QDialog
{
    Q_OBJECT
public:
    explicit PreferencesPanel(UserDefaults& defaults, QWidget* parent = nullptr);
    ~PreferencesPanel() override;

    // The shared panel; null before one was made.
    [[nodiscard]] static PreferencesPanel* sharedPreferencesPanel();
    // Makes the shared panel when there is none, and brings it to the front.
    static PreferencesPanel* orderFront(UserDefaults& defaults);

    [[nodiscard]] QCheckBox* quitOnClose() const { return m_quitOnClose; }
    void toggleQuitOnClose();

private:
    UserDefaults& m_defaults;
    QCheckBox* m_quitOnClose;
};

} // namespace sorvant
