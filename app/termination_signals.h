#pragma once
// What SIGTERM and SIGINT do to the application: they quit it the way the
// Quit command does, without asking, and the user's file work stops after
// the item at hand. The handler stops that work itself (a lock-free flag
// its threads read between items), so it stops while the interface thread
// is busy; the quit itself runs later on the interface thread, which the
// handler wakes through a pipe.
//
// Not here: what quitting waits for and logs (user_file_work.h).

#include <functional>

class QObject;

namespace sorvant {

class UserFileWork;

// Installs the handlers of SIGTERM and SIGINT: each signal stops `work`
// (UserFileWork::stopFromSignal, in the handler) and then has `quit` run on
// this thread's event loop, while `context` lives. NO when the pipe could
// not be made; the signals then keep what they did. Main thread only;
// installed again, the last `work` and `quit` are the ones used.
bool installTerminationHandlers(UserFileWork& work, QObject* context, std::function<void()> quit);

} // namespace sorvant
