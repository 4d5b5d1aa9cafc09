#pragma once
// QuitQuestion: what Quit asks while the user's own file work runs (a move
// to the Trash, a deletion; user_file_work.h), as file managers do:
// "Deleting 150,000 items…" with its progress, and "Quit When Done" or
// "Cancel". Quit When Done keeps the question up, showing the progress,
// and emits quitNow once the work has ended; Cancel closes it and the
// application goes on. Work that ends before an answer lets the quit go on
// at once: nothing is cut any more.
//
// Threads: main thread only (the progress is read from the tracker).

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace sorvant {

class UserFileWork;

class QuitQuestion : public QDialog
{
    Q_OBJECT
public:
    explicit QuitQuestion(UserFileWork& work, QWidget* parent = nullptr);

    // The buttons, for tests.
    [[nodiscard]] QPushButton* quitWhenDoneButton() const { return m_quitWhenDone; }
    [[nodiscard]] QPushButton* cancelButton() const { return m_cancel; }
    [[nodiscard]] bool isWaiting() const { return m_waiting; }

signals:
    // The work has ended and the application is to quit; once.
    void quitNow();

private:
    void waitForWork();
    void refresh();

    UserFileWork& m_work;
    QLabel* m_title;
    QLabel* m_detail;
    QProgressBar* m_progress;
    QPushButton* m_quitWhenDone;
    QPushButton* m_cancel;
    QTimer m_poll;
    bool m_waiting = false;
    bool m_done = false;
};

} // namespace sorvant
