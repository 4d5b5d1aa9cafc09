#pragma once
// A badge display that records what it was asked to show, and a delayed
// call that fires only when the test says so.

#include "interface/badge.h"

#include <QStringList>

namespace sorvant::test {

class RecordingBadgeDisplay : public BadgeDisplay
{
public:
    void showBadgeLabel(const QString& label) override { labels.append(label); }
    QStringList labels;
};

class ManualDelayedCall : public DelayedCall
{
public:
    struct State {
        std::function<void()> call;
        double delay = -1;
        int scheduled = 0;
    };
    explicit ManualDelayedCall(State& state) : m_state(state) {}
    void schedule(double seconds, std::function<void()> call) override
    {
        m_state.call = std::move(call);
        m_state.delay = seconds;
        ++m_state.scheduled;
    }
    void cancel() override { m_state.call = nullptr; }

private:
    State& m_state;
};

} // namespace sorvant::test
