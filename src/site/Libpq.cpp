#include "site/Libpq.h"

#include <QLibrary>

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

struct Loaded {
    const Libpq* pq = nullptr;
    QString failure;
};

Loaded Load()
{
    // Never unloaded: a sender thread left to finish a slow call after its
    // owner went still runs the library's code.
    static QLibrary* const library = OpenLibrary();
    if (!library->load())
        return {nullptr, QStringLiteral("библиотека libpq не загружена: %1").arg(library->errorString())};
    auto* pq = new Libpq;
    QStringList missing;
#define VELTAR_LIBPQ_RESOLVE(name)                                                                      \
    pq->name = reinterpret_cast<decltype(pq->name)>(library->resolve(#name));                           \
    if (!pq->name)                                                                                     \
        missing << QStringLiteral(#name);
    VELTAR_LIBPQ_ENTRIES(VELTAR_LIBPQ_RESOLVE)
#undef VELTAR_LIBPQ_RESOLVE
    if (!missing.isEmpty())
        return {nullptr, QStringLiteral("в библиотеке libpq нет функций %1").arg(missing.join(QStringLiteral(", ")))};
    return {pq, {}};
}

}  // namespace

const Libpq* LoadLibpq(QString* why)
{
    // Tried once, by the first caller's thread; the others wait for it.
    static const Loaded loaded = Load();
    if (!loaded.pq && why)
        *why = loaded.failure;
    return loaded.pq;
}
