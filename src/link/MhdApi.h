#pragma once

#include <microhttpd.h>

#include <QString>

// The calls the office link makes of libmicrohttpd, through one table. On
// Linux Debian's library brings GnuTLS with it (about 2 MB resident), so it
// is loaded only when the service is first turned on: a terminal whose link
// is off never maps it. On Windows it is built without TLS and linked in.
struct MhdApi {
    decltype(&MHD_start_daemon) start_daemon;
    decltype(&MHD_stop_daemon) stop_daemon;
    decltype(&MHD_run_wait) run_wait;
    decltype(&MHD_run_from_select) run_from_select;
    decltype(&MHD_get_fdset2) get_fdset2;
    decltype(&MHD_get_timeout) get_timeout;
    decltype(&MHD_get_daemon_info) get_daemon_info;
    decltype(&MHD_get_connection_info) get_connection_info;
    decltype(&MHD_get_connection_values) get_connection_values;
    decltype(&MHD_lookup_connection_value) lookup_connection_value;
    decltype(&MHD_create_response_from_buffer) create_response_from_buffer;
    decltype(&MHD_create_response_from_callback) create_response_from_callback;
    decltype(&MHD_add_response_header) add_response_header;
    decltype(&MHD_queue_response) queue_response;
    decltype(&MHD_destroy_response) destroy_response;
    decltype(&MHD_suspend_connection) suspend_connection;
    decltype(&MHD_resume_connection) resume_connection;
};

// The table once the library is there; null when it cannot be had, with
// the Russian reason in `problem`. Loaded once, kept for the process's life.
const MhdApi* Mhd(QString* problem);
