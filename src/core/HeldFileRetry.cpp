#include "core/HeldFileRetry.h"

#include <QThread>

namespace {

// Short pauses, so a hold of a few milliseconds costs little more than that.
constexpr int PauseMs = 50;
constexpr int Pauses = 20;

#ifdef Q_OS_WIN
// The codes a brief hold by another program gives.
constexpr int HoldCodes[] = {
    5,   // ERROR_ACCESS_DENIED: a file being deleted or scanned
    32,  // ERROR_SHARING_VIOLATION
    33,  // ERROR_LOCK_VIOLATION
};
#endif

}  // namespace

bool MayPassSoon(const QFileDevice& file)
{
#ifdef Q_OS_WIN
    // QFileDevice keeps only the system's text for the code; the text is made
    // in this process by qt_error_string, so making it again finds the code.
    const QString text = file.errorString();
    for (const int code : HoldCodes) {
        if (qt_error_string(code) == text)
            return true;
    }
    return false;
#else
    Q_UNUSED(file);
    return false;
#endif
}

bool HeldFileRetry::again()
{
    if (pauses_ >= Pauses)
        return false;
    ++pauses_;
    QThread::msleep(PauseMs);
    return true;
}
