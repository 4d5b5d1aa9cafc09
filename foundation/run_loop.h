#pragma once
// Timed runs of the current thread's event loop, and delayed calls of a
// QObject's slot ("performs") that a later request can cancel or replace.
// Thread facts and key-value access are in runtime.h.
//
// A perform names an invokable method (slot or Q_INVOKABLE) of the target by
// its name, with or without the trailing ':' of a selector, taking nothing or
// one argument; the argument is converted to the method's parameter type, an
// invalid QVariant passing the parameter's default value. A method the
// target lacks is answered by logUnrecognizedSelector().
//
// Delayed performs are single-shot timers owned by the target: a target
// destroyed before its timer fires is not called. Qt's timers fire in every
// event loop, nested modal ones included, so the "common modes" forms are
// the plain ones. Performs belong to the thread that requested them; request
// and cancel from the target's thread.
//   cancelPreviousPerformRequestsAndPerformSelector(o, "refresh", {}, 0.0)
//       => o->refresh() before returning
//   cancelPreviousPerformRequestsAndPerformSelector(o, "refresh", {}, 0.2)
//       twice within 0.2 s => o->refresh() once, 0.2 s after the second call

#include <QEventLoop>
#include <QVariant>

#include <functional>

class QObject;

namespace sorvant {

// --- run loop ----------------------------------------------------------------
// Runs `block` at once on the calling thread; nothing for an empty function.
void performBlock(const std::function<void()>& block);

// Processes events of the calling thread until `seconds` have passed; at
// once for a time not above 0.
void runForTimeInterval(double seconds);

// Waits up to `seconds` for events allowed by `mode`, processes one batch and
// returns. False, without waiting, when the time is not a finite number.
bool runModeForTimeInterval(QEventLoop::ProcessEventsFlags mode, double seconds);

// --- delayed performs ----------------------------------------------------------
// Calls `selector` of `target` with `argument` after `delay` seconds, from
// the event loop (a delay not above 0 still waits for the loop).
void performSelector(QObject* target, const char* selector, const QVariant& argument, double delay);
// Calls `selector` of `target` with `argument` now.
void performSelector(QObject* target, const char* selector, const QVariant& argument);

// Cancels the pending performs of `target` with this selector and an equal
// argument; the form without selector cancels all of the target's.
void cancelPreviousPerformRequests(QObject* target, const char* selector, const QVariant& argument);
void cancelPreviousPerformRequests(QObject* target);

// Cancels as above, then performs at once when `delay` is not above 0, else
// after the delay.
void cancelPreviousPerformRequestsAndPerformSelector(QObject* target, const char* selector,
                                                     const QVariant& argument, double delay);

// The number of pending performs of `target` (for a selector, or all).
[[nodiscard]] int pendingPerformRequests(const QObject* target, const char* selector = nullptr);

// The same calls under the names of run-loop "common modes".
inline void performSelectorInCommonModes(QObject* target, const char* selector, const QVariant& argument,
                                         double delay)
{
    performSelector(target, selector, argument, delay);
}
inline void cancelPreviousPerformRequestsAndPerformSelectorInCommonModes(QObject* target, const char* selector,
                                                                         const QVariant& argument, double delay)
{
    cancelPreviousPerformRequestsAndPerformSelector(target, selector, argument, delay);
}

} // namespace sorvant
