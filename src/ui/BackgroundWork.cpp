#include "ui/BackgroundWork.h"

#include <QThread>

namespace {

// QThread::create needs a Qt built with std::future support, which the
// Windows build of Qt here need not have; a subclass works everywhere.
class WorkThread final : public QThread {
public:
    explicit WorkThread(std::function<void()> work) : work_(std::move(work)) {}

private:
    void run() override
    {
        work_();
        work_ = nullptr;  // what it held goes with the work, not with the thread object
    }

    std::function<void()> work_;
};

}  // namespace

void RunInBackground(QObject* receiver, std::function<void()> work, std::function<void()> done)
{
    auto* thread = new WorkThread(std::move(work));
    // `finished` comes from the ending thread; both connections deliver it
    // through the receiving thread's event loop.
    QObject::connect(thread, &QThread::finished, receiver, std::move(done), Qt::QueuedConnection);
    // The system thread is let run to its very end before its object goes:
    // under Wine a process whose finished thread was never waited for did not
    // exit when an X display was in use.
    QObject::connect(
        thread, &QThread::finished, thread,
        [thread] {
            thread->wait();
            thread->deleteLater();
        },
        Qt::QueuedConnection);
    thread->start();
}
