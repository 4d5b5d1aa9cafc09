#pragma once
// The application's badge: one process-wide counter shown as "+%d" on the
// application's launcher icon ("" hides the badge), with a lock against
// resetting and a delayed reset. Search windows add the change of their
// result count to it.
//
//   increaseBadgeLabel(3); increaseBadgeLabel(2)  => "+5"
//   decreaseBadgeLabel(9)                          => "" (the counter stops at 0)
//   increaseBadgeLabel(0)                          => nothing, the display untouched
//   with "DisableBadgeLabel" YES                   => the counter changes, the display never
//
// Changes may be asked for on any thread; the display is written on the main
// thread only (a change from another thread is passed on by a queued call).
// Where the label is shown is a BadgeDisplay: the desktop's launcher entry
// over D-Bus in the application (launcherEntryBadgeDisplay), a recording
// fake in tests; without one the counter is kept but shown nowhere.
//
// Not here: the application object (application.h).

#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace sorvant {

class UserDefaults;

// Shows a badge label; "" removes the badge.
class BadgeDisplay
{
public:
    virtual ~BadgeDisplay() = default;
    virtual void showBadgeLabel(const QString& label) = 0;
};

// Runs one call after a delay; a new schedule replaces a pending one.
class DelayedCall
{
public:
    virtual ~DelayedCall() = default;
    virtual void schedule(double seconds, std::function<void()> call) = 0;
    virtual void cancel() = 0;
};

// The label of a counter value: "+%d", "" for 0.
//   0 => ""   5 => "+5"   2^40 => "+1099511627776"
[[nodiscard]] QString badgeLabelForCount(quint64 count);

// --- the process-wide badge --------------------------------------------------------------

[[nodiscard]] quint64 badgeCounter();
[[nodiscard]] quint64 badgeLockCount();

void lockBadgeLabel();
// Never goes below 0.
void unlockBadgeLabel();
// Shows the counter (unless "DisableBadgeLabel" is YES).
void updateBadgeLabel();
// n = 0 does nothing; the counter never goes below 0.
void decreaseBadgeLabel(quint64 n);
void increaseBadgeLabel(quint64 n);
// Sets the counter to 0 and shows it, unless it is 0 already or the badge
// is locked.
void resetBadgeLabel();
// resetBadgeLabel 0.2 s later, replacing a reset still pending.
void resetBadgeLabelDelayed();
void cancelResetBadgeLabelDelayed();

// --- configuration ---------------------------------------------------------------------------

// Where the label goes (not owned; null shows it nowhere). Answers the
// previous display.
BadgeDisplay* setBadgeDisplay(BadgeDisplay* display);
// The timer of the delayed reset (a single-shot Qt timer when none is set).
void setBadgeDelayedCall(std::unique_ptr<DelayedCall> call);
// The defaults that hold "DisableBadgeLabel" (the standard defaults when
// null; not owned).
void setBadgeDefaults(UserDefaults* defaults);
// Counter and lock back to 0 (tests).
void resetBadgeState();

// The display that sends the label to the desktop's launcher entry over the
// session bus: the signal com.canonical.Unity.LauncherEntry.Update with the
// application's "application://<desktop file>" URI and {"count": n,
// "count-visible": n > 0}. Created on first use; it sends nothing when
// there is no session bus.
[[nodiscard]] BadgeDisplay& launcherEntryBadgeDisplay(const QString& desktopFileName = QStringLiteral("sorvant.desktop"));

// The display that puts the label into every window's title through the
// application's display name: "<name> (+5)", or just "<name>" without a
// badge (Qt adds the display name to window titles on desktops that show
// no count on the launcher icon, too).
//   applicationTitleBadgeDisplay("Sorvant").showBadgeLabel("+5") => display name "Sorvant (+5)"
[[nodiscard]] BadgeDisplay& applicationTitleBadgeDisplay(const QString& applicationName = QStringLiteral("Sorvant"));

// Shows a label on several displays in turn (not owned).
class BadgeDisplayList : public BadgeDisplay
{
public:
    explicit BadgeDisplayList(QList<BadgeDisplay*> displays) : m_displays(std::move(displays)) {}
    void showBadgeLabel(const QString& label) override
    {
        for (BadgeDisplay* display : m_displays)
            display->showBadgeLabel(label);
    }

private:
    QList<BadgeDisplay*> m_displays;
};

// The count a label stands for: the number after "+", 0 for "" or a label
// without a number.
[[nodiscard]] qint64 badgeCountForLabel(const QString& label);

} // namespace sorvant
