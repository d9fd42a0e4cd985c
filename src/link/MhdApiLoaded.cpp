#include "link/MhdApi.h"

#include <QLibrary>

namespace {

template <typename F>
bool Resolve(QLibrary& library, const char* name, F& function)
{
    function = reinterpret_cast<F>(library.resolve(name));
    return function != nullptr;
}

struct Loaded {
    MhdApi api{};
    QString failure;
};

// Debian's shared library: its soname is libmicrohttpd.so.12.
Loaded Load()
{
    // Never unloaded: a daemon's callbacks may still run while the service
    // stops.
    static QLibrary library(QStringLiteral("microhttpd"), 12);
    Loaded l;
    MhdApi& api = l.api;
    const bool ok = library.load() && Resolve(library, "MHD_start_daemon", api.start_daemon) &&
                    Resolve(library, "MHD_stop_daemon", api.stop_daemon) &&
                    Resolve(library, "MHD_run_wait", api.run_wait) &&
                    Resolve(library, "MHD_run_from_select", api.run_from_select) &&
                    Resolve(library, "MHD_get_fdset2", api.get_fdset2) &&
                    Resolve(library, "MHD_get_timeout", api.get_timeout) &&
                    Resolve(library, "MHD_get_daemon_info", api.get_daemon_info) &&
                    Resolve(library, "MHD_get_connection_info", api.get_connection_info) &&
                    Resolve(library, "MHD_get_connection_values", api.get_connection_values) &&
                    Resolve(library, "MHD_lookup_connection_value", api.lookup_connection_value) &&
                    Resolve(library, "MHD_create_response_from_buffer", api.create_response_from_buffer) &&
                    Resolve(library, "MHD_create_response_from_callback", api.create_response_from_callback) &&
                    Resolve(library, "MHD_add_response_header", api.add_response_header) &&
                    Resolve(library, "MHD_queue_response", api.queue_response) &&
                    Resolve(library, "MHD_destroy_response", api.destroy_response) &&
                    Resolve(library, "MHD_suspend_connection", api.suspend_connection) &&
                    Resolve(library, "MHD_resume_connection", api.resume_connection);
    if (!ok)
        l.failure = QStringLiteral("не загружена библиотека HTTP-сервера libmicrohttpd (%1)").arg(library.errorString());
    return l;
}

}  // namespace

// Loaded at the first call (the service turned on).
const MhdApi* Mhd(QString* problem)
{
    // Tried once, by the first caller's thread; the others wait for it.
    static const Loaded loaded = Load();
    if (!loaded.failure.isEmpty()) {
        if (problem)
            *problem = loaded.failure;
        return nullptr;
    }
    return &loaded.api;
}
