#pragma once
// A search's stop flag and work count, handed to long loops over one text
// (wildcards, query terms, word indexes, reading a file) so that stop is
// seen within a bounded amount of work. A null pointer costs nothing.

#include <atomic>
#include <cstdint>

namespace sorvant {

struct StopCheck
{
    // The steps a loop takes between two looks at the flag.
    static constexpr std::uint64_t kInterval = 4096;

    const std::atomic<bool>* stop = nullptr;
    // Steps taken so far (for tests and progress), or null.
    std::atomic<std::uint64_t>* work = nullptr;

    // Adds `steps` to the work count; YES when stop is set.
    [[nodiscard]] bool shouldStop(std::uint64_t steps) const
    {
        if (work != nullptr)
            work->fetch_add(steps, std::memory_order_relaxed);
        return stop != nullptr && stop->load(std::memory_order_relaxed);
    }
};

// A StopCheck for a loop of small steps: the steps are counted here and
// handed to the check (which looks at the flag) once kInterval of them have
// passed, so that a step costs no atomic operation. A null check never stops.
class PacedStopCheck
{
public:
    explicit PacedStopCheck(const StopCheck* check) : m_check(check) {}

    // Counts `steps` more; YES when the flag, looked at once kInterval steps
    // have passed since the last look, asks to stop.
    [[nodiscard]] bool shouldStop(std::uint64_t steps)
    {
        m_steps += steps;
        if (m_check == nullptr || m_steps < StopCheck::kInterval)
            return false;
        const std::uint64_t passed = m_steps;
        m_steps = 0;
        return m_check->shouldStop(passed);
    }

private:
    const StopCheck* m_check;
    std::uint64_t m_steps = 0; // since the last look
};

// YES when `check` is given and asks to stop after `steps` more steps.
[[nodiscard]] inline bool shouldStop(const StopCheck* check, std::uint64_t steps)
{
    return check != nullptr && check->shouldStop(steps);
}

} // namespace sorvant
