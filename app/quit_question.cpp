#include "app/quit_question.h"

#include "app/user_file_work.h"
#include "foundation/number_formatting.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <limits>

namespace sorvant {

QuitQuestion::QuitQuestion(UserFileWork& work, QWidget* parent)
    : QDialog(parent), m_work(work), m_title(new QLabel(this)), m_detail(new QLabel(this)),
      m_progress(new QProgressBar(this)),
      m_quitWhenDone(new QPushButton(QCoreApplication::translate("FileActions", "Quit When Done"), this)),
      m_cancel(new QPushButton(QCoreApplication::translate("FileActions", "Cancel"), this))
{
    setObjectName(QStringLiteral("quitQuestion"));
    setWindowTitle(QCoreApplication::translate("FileActions", "Quit"));
    setWindowModality(Qt::ApplicationModal);
    // Closed by its own answers only: the title bar's close button and
    // Escape are Cancel.
    setAttribute(Qt::WA_DeleteOnClose);

    auto* icon = new QLabel(this);
    const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(side, side));
    icon->setAlignment(Qt::AlignTop);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_title->setObjectName(QStringLiteral("quitQuestionTitle"));
    m_detail->setObjectName(QStringLiteral("quitQuestionDetail"));
    m_detail->setWordWrap(true);
    m_progress->setTextVisible(false);
    m_quitWhenDone->setObjectName(QStringLiteral("quitWhenDone"));
    m_cancel->setObjectName(QStringLiteral("cancelQuit"));
    m_quitWhenDone->setDefault(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_cancel, QDialogButtonBox::RejectRole);
    buttons->addButton(m_quitWhenDone, QDialogButtonBox::AcceptRole);
    connect(m_quitWhenDone, &QPushButton::clicked, this, &QuitQuestion::waitForWork);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_title);
    texts->addWidget(m_detail);
    texts->addWidget(m_progress);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    // Wide enough for the longest title without wrapping every few words.
    setMinimumWidth(m_title->fontMetrics().averageCharWidth() * 64);

    // While it is up, ending work asks nothing more; Cancel lets it ask again.
    m_work.setQuitPending(true);
    connect(this, &QDialog::finished, this, [this] {
        if (!m_done)
            m_work.setQuitPending(false);
    });

    m_poll.setInterval(100);
    connect(&m_poll, &QTimer::timeout, this, &QuitQuestion::refresh);
    m_poll.start();
    refresh();
}

void QuitQuestion::waitForWork()
{
    m_waiting = true;
    m_quitWhenDone->setEnabled(false);
    refresh();
}

void QuitQuestion::refresh()
{
    if (m_done)
        return;
    const QList<UserFileWork::Progress> running = m_work.running();
    if (running.isEmpty()) {
        m_done = true;
        m_poll.stop();
        emit quitNow();
        accept();
        return;
    }
    QStringList titles;
    qsizetype total = 0;
    qsizetype done = 0;
    for (const UserFileWork::Progress& progress : running) {
        titles.append(fileOperationDescription(progress.kind, progress.total));
        total += progress.total;
        done += progress.done;
    }
    m_title->setText(titles.join(u'\n'));
    const QString count = QCoreApplication::translate("FileActions", "%1 of %2 items done.").arg(stringForInteger(done), stringForInteger(total));
    m_detail->setText(count + u' '
                      + (m_waiting ? QCoreApplication::translate("FileActions", "Sorvant quits when this is done.")
                                   : QCoreApplication::translate("FileActions", "Quitting now would leave it half done.")));
    // The bar's range is an int: large counts are shown in parts of a
    // thousand.
    const bool large = total > std::numeric_limits<int>::max() / 2;
    m_progress->setRange(0, large ? 1000 : int(total));
    m_progress->setValue(large ? int(done * 1000 / total) : int(done));
}

} // namespace sorvant
