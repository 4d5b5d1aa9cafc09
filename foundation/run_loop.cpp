#include "foundation/run_loop.h"

#include "foundation/unrecognized_selector.h"

#include <QMetaMethod>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cmath>
#include <vector>

namespace sorvant {

namespace {

struct PerformRequest
{
    QPointer<QObject> target;
    QByteArray selector;
    QVariant argument;
    QPointer<QTimer> timer;
};

// The pending performs of this thread. Entries whose target died with its
// timer are dropped on the next visit.
std::vector<PerformRequest>& pendingRequests()
{
    thread_local std::vector<PerformRequest> requests;
    std::erase_if(requests, [](const PerformRequest& request) { return !request.target || !request.timer; });
    return requests;
}

QByteArray methodName(const char* selector)
{
    QByteArray name(selector ? selector : "");
    if (name.endsWith(':'))
        name.chop(1);
    return name;
}

int milliseconds(double seconds)
{
    if (!(seconds > 0))
        return 0;
    return seconds >= 2.0e6 ? 2'000'000'000 : static_cast<int>(std::lround(seconds * 1000.0));
}

// The invokable method `name` of `target` with at most one parameter,
// preferring the form that fits the argument.
QMetaMethod findMethod(const QObject* target, const QByteArray& name, bool hasArgument)
{
    const QMetaObject* meta = target->metaObject();
    QMetaMethod fallback;
    for (int index = 0; index < meta->methodCount(); ++index) {
        const QMetaMethod method = meta->method(index);
        if (method.name() != name || method.parameterCount() > 1 || method.methodType() == QMetaMethod::Constructor)
            continue;
        if ((method.parameterCount() == 1) == hasArgument)
            return method;
        fallback = method;
    }
    return fallback;
}

void invoke(QObject* target, const QByteArray& name, const QVariant& argument)
{
    const QMetaMethod method = findMethod(target, name, argument.isValid());
    if (!method.isValid()) {
        logUnrecognizedSelector(classNameForLog(target), QString::fromLatin1(name));
        return;
    }
    if (method.parameterCount() == 0) {
        method.invoke(target, Qt::DirectConnection);
        return;
    }
    const QMetaType type = method.parameterMetaType(0);
    QVariant value = argument;
    if (type != QMetaType::fromType<QVariant>() && (!value.isValid() || !value.convert(type)))
        value = QVariant(type);
    const void* data = type == QMetaType::fromType<QVariant>() ? static_cast<const void*>(&argument) : value.constData();
    method.invoke(target, Qt::DirectConnection, QGenericArgument(type.name(), data));
}

} // namespace

void performBlock(const std::function<void()>& block)
{
    if (block)
        block();
}

void runForTimeInterval(double seconds)
{
    const int delay = milliseconds(seconds);
    if (delay <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(delay, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runModeForTimeInterval(QEventLoop::ProcessEventsFlags mode, double seconds)
{
    if (!std::isfinite(seconds))
        return false;
    // The timer only wakes the wait up; it does nothing when it fires.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(milliseconds(seconds));
    QEventLoop loop;
    loop.processEvents(mode | QEventLoop::WaitForMoreEvents);
    return true;
}

void performSelector(QObject* target, const char* selector, const QVariant& argument)
{
    if (target)
        invoke(target, methodName(selector), argument);
}

void performSelector(QObject* target, const char* selector, const QVariant& argument, double delay)
{
    if (!target)
        return;
    auto* timer = new QTimer(target);
    timer->setSingleShot(true);
    pendingRequests().push_back({target, methodName(selector), argument, timer});
    QObject::connect(timer, &QTimer::timeout, target, [timer] {
        auto& requests = pendingRequests();
        const auto found = std::find_if(requests.begin(), requests.end(),
                                        [timer](const PerformRequest& request) { return request.timer == timer; });
        timer->deleteLater();
        if (found == requests.end())
            return;
        const PerformRequest request = *found;
        requests.erase(found);
        invoke(request.target, request.selector, request.argument);
    });
    timer->start(milliseconds(delay));
}

void cancelPreviousPerformRequests(QObject* target, const char* selector, const QVariant& argument)
{
    const QByteArray name = methodName(selector);
    std::erase_if(pendingRequests(), [&](const PerformRequest& request) {
        if (request.target != target || (selector && (request.selector != name || request.argument != argument)))
            return false;
        request.timer->stop();
        request.timer->deleteLater();
        return true;
    });
}

void cancelPreviousPerformRequests(QObject* target)
{
    cancelPreviousPerformRequests(target, nullptr, QVariant());
}

void cancelPreviousPerformRequestsAndPerformSelector(QObject* target, const char* selector,
                                                     const QVariant& argument, double delay)
{
    if (!target)
        return;
    cancelPreviousPerformRequests(target, selector, argument);
    if (delay > 0)
        performSelector(target, selector, argument, delay);
    else
        performSelector(target, selector, argument);
}

int pendingPerformRequests(const QObject* target, const char* selector)
{
    const QByteArray name = methodName(selector);
    const auto& requests = pendingRequests();
    return static_cast<int>(std::count_if(requests.begin(), requests.end(), [&](const PerformRequest& request) {
        return request.target == target && (!selector || request.selector == name);
    }));
}

} // namespace sorvant
