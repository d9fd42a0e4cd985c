#include "ui/BackgroundWork.h"

#include <QThread>

#include <algorithm>
#include <mutex>
#include <vector>

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

// The threads not yet deleted; only the window's thread adds and removes.
std::mutex liveMutex;
std::vector<QThread*> live;

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
            {
                std::lock_guard lock(liveMutex);
                live.erase(std::remove(live.begin(), live.end(), thread), live.end());
            }
            thread->deleteLater();
        },
        Qt::QueuedConnection);
    {
        std::lock_guard lock(liveMutex);
        live.push_back(thread);
    }
    thread->start();
}

void WaitForBackgroundWork()
{
    std::vector<QThread*> running;
    {
        std::lock_guard lock(liveMutex);
        running = live;
    }
    // Deleted only by the window's thread's event loop, which is where this
    // is called from: none of them goes meanwhile.
    for (QThread* thread : running)
        thread->wait();
}
