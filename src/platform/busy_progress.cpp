#include "platform/busy_progress.h"

#include "platform/modal.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Neither Esc nor the close box ends it: the work cannot be stopped half way.
class CBusyDialog : public QProgressDialog {
public:
    using QProgressDialog::QProgressDialog;
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

}  // namespace

void RunWithProgress(QWidget* parent, const QString& title, const QString& text,
                     const std::function<void()>& work) {
    CBusyDialog progress(text, QString(), 0, 0, parent,
                         Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    progress.setObjectName(u"progressDialog"_s);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButton(nullptr);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(0);
    progress.setValue(0);

    // Counted as open, so that a lock waits for the work to end; it cannot be cancelled.
    const CModalRun run(nullptr);
    QEventLoop loop;
    const std::unique_ptr<QThread> thread(QThread::create(work));
    // Queued to this thread: a worker that ends before exec() still ends the loop.
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    progress.show();
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
}
