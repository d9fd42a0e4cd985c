#include "site/Libpq.h"

#include <QLibrary>

#include <mutex>

namespace {

// The name the platform's loader looks for: libpq.so.5 from Debian's libpq5
// elsewhere, libpq.dll beside the program on Windows.
QLibrary* OpenLibrary()
{
#ifdef Q_OS_WIN
    return new QLibrary(QStringLiteral("libpq"));
#else
    return new QLibrary(QStringLiteral("pq"), 5);
#endif
}

}  // namespace

const Libpq* LoadLibpq(QString* why)
{
    static std::mutex mutex;
    static const Libpq* loaded = nullptr;
    static QLibrary* library = nullptr;
    static QString failure;
    std::lock_guard lock(mutex);
    if (!loaded && failure.isEmpty()) {
        // Never unloaded: a sender thread left to finish a slow call after
        // its owner went still runs the library's code.
        library = OpenLibrary();
        if (!library->load()) {
            failure = QStringLiteral("библиотека libpq не загружена: %1").arg(library->errorString());
        } else {
            auto* pq = new Libpq;
            QStringList missing;
#define VELTAR_LIBPQ_RESOLVE(name)                                                                      \
    pq->name = reinterpret_cast<decltype(pq->name)>(library->resolve(#name));                           \
    if (!pq->name)                                                                                     \
        missing << QStringLiteral(#name);
            VELTAR_LIBPQ_ENTRIES(VELTAR_LIBPQ_RESOLVE)
#undef VELTAR_LIBPQ_RESOLVE
            if (missing.isEmpty())
                loaded = pq;
            else
                failure = QStringLiteral("в библиотеке libpq нет функций %1").arg(missing.join(QStringLiteral(", ")));
        }
    }
    if (!loaded && why)
        *why = failure;
    return loaded;
}
