#include "system/alert_presenter.h"

#include "platform/log.h"

#include <exception>
#include <mutex>
#include <typeinfo>

namespace sorvant {

namespace {

std::mutex presenterMutex;
AlertPresenter* installedPresenter = nullptr;

} // namespace

AlertPresenter* setAlertPresenter(AlertPresenter* presenter)
{
    std::lock_guard lock(presenterMutex);
    std::swap(installedPresenter, presenter);
    return presenter;
}

int runAlert(const AlertRequest& request)
{
    AlertPresenter* presenter = nullptr;
    {
        std::lock_guard lock(presenterMutex);
        presenter = installedPresenter;
    }
    if (!presenter || request.messageText.isNull())
        return kAlertNotShown;
    try {
        return presenter->runModal(request);
    } catch (const std::exception& error) {
        logMessage(QStringLiteral("runAlertPanel: %1:\n%2\n").arg(QString::fromLatin1(typeid(error).name()),
                                                                  QString::fromUtf8(error.what())));
        return kAlertNotShown;
    }
}

} // namespace sorvant
