#pragma once
// An alert presenter for tests: records every alert and answers with the
// button it was told to choose.

#include "system/alert_presenter.h"

#include <QList>

namespace sorvant::test {

class AlertRecorder : public AlertPresenter
{
public:
    AlertRecorder() : m_previous(setAlertPresenter(this)) {}
    ~AlertRecorder() override { setAlertPresenter(m_previous); }
    AlertRecorder(const AlertRecorder&) = delete;
    AlertRecorder& operator=(const AlertRecorder&) = delete;

    int runModal(const AlertRequest& request) override
    {
        alerts.append(request);
        return answer;
    }

    int answer = 0;
    QList<AlertRequest> alerts;

private:
    AlertPresenter* m_previous;
};

} // namespace sorvant::test
