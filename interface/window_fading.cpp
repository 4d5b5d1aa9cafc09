#include "interface/window_fading.h"

#include "foundation/run_loop.h"

#include <QThread>
#include <QVariantMap>
#include <QWidget>

#include <algorithm>

namespace sorvant {

namespace {

constexpr double kTick = 0.04;
constexpr char kAlphaProperty[] = "sorvantAlphaValue";

// The delayed messages of a fade go to this child of the window, so that
// cancelling them leaves the window's other performs alone and a destroyed
// window takes its pending steps with it.
class WindowFader : public QObject
{
    Q_OBJECT
public:
    explicit WindowFader(QWidget* window) : QObject(window), m_window(window) {}

public slots:
    void increaseAlphaValue(const QVariantMap& step)
    {
        const double target = step.value(QStringLiteral("value")).toDouble();
        const double alpha = std::min(target, alphaValue(m_window) + step.value(QStringLiteral("interval")).toDouble());
        setAlphaValue(m_window, alpha);
        if (target > alpha)
            performSelector(this, "increaseAlphaValue", step, kTick);
    }

    void decreaseAlphaValue(const QVariantMap& step)
    {
        const double target = step.value(QStringLiteral("value")).toDouble();
        const double alpha = std::max(target, alphaValue(m_window) - step.value(QStringLiteral("interval")).toDouble());
        setAlphaValue(m_window, alpha);
        if (alpha > target)
            performSelector(this, "decreaseAlphaValue", step, kTick);
        else
            m_window->hide();
    }

private:
    QWidget* m_window;
};

WindowFader* fader(QWidget* window)
{
    auto* existing = window->findChild<WindowFader*>(QString(), Qt::FindDirectChildrenOnly);
    return existing ? existing : new WindowFader(window);
}

QVariantMap fadeStep(double interval, double target)
{
    return {{QStringLiteral("interval"), interval}, {QStringLiteral("value"), target}};
}

void blockingFade(QWidget* window, double duration, double target, int direction)
{
    const double span = (target - alphaValue(window)) * direction * duration;
    if (!(span > 0))
        return;
    const double step = kTick / span;
    for (;;) {
        const double next = alphaValue(window) + step * direction;
        const double alpha = direction > 0 ? std::min(target, next) : std::max(target, next);
        setAlphaValue(window, alpha);
        if (alpha == target)
            return;
        QThread::usleep(static_cast<unsigned long>(kTick * 1e6));
    }
}

} // namespace

double alphaValue(const QWidget* window)
{
    if (!window)
        return 0;
    const QVariant stored = window->property(kAlphaProperty);
    return stored.isValid() ? stored.toDouble() : window->windowOpacity();
}

void setAlphaValue(QWidget* window, double alpha)
{
    if (!window)
        return;
    alpha = std::clamp(alpha, 0.0, 1.0);
    window->setProperty(kAlphaProperty, alpha);
    window->setWindowOpacity(alpha);
}

void cancelTimedFading(QWidget* window)
{
    if (window)
        cancelPreviousPerformRequests(fader(window));
}

bool isTimedFading(const QWidget* window)
{
    const auto* existing = window ? window->findChild<WindowFader*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    return existing && pendingPerformRequests(existing) > 0;
}

void timedFadeIn(QWidget* window, double duration, double alpha)
{
    if (!window)
        return;
    cancelTimedFading(window);
    window->show();
    const double span = (alpha - alphaValue(window)) * duration;
    if (!(span > 0))
        return;
    performSelector(fader(window), "increaseAlphaValue", fadeStep(kTick / span, alpha), kTick);
}

void timedFadeOut(QWidget* window, double duration, double alpha)
{
    if (!window)
        return;
    cancelTimedFading(window);
    const double span = (alphaValue(window) - alpha) * duration;
    if (!(span > 0)) {
        window->hide();
        return;
    }
    performSelector(fader(window), "decreaseAlphaValue", fadeStep(kTick / span, alpha), kTick);
}

void fadeIn(QWidget* window, double duration, double alpha)
{
    if (window)
        blockingFade(window, duration, alpha, +1);
}

void fadeOut(QWidget* window, double duration, double alpha)
{
    if (window)
        blockingFade(window, duration, alpha, -1);
}

} // namespace sorvant

#include "window_fading.moc"
