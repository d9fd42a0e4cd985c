#include "link/MhdApi.h"

// The library linked into the program (Windows: built without TLS).
const MhdApi* Mhd(QString*)
{
    static const MhdApi api{
        &MHD_start_daemon,
        &MHD_stop_daemon,
        &MHD_run_wait,
        &MHD_run_from_select,
        &MHD_get_fdset2,
        &MHD_get_timeout,
        &MHD_get_daemon_info,
        &MHD_get_connection_info,
        &MHD_get_connection_values,
        &MHD_lookup_connection_value,
        &MHD_create_response_from_buffer,
        &MHD_create_response_from_callback,
        &MHD_add_response_header,
        &MHD_queue_response,
        &MHD_destroy_response,
        &MHD_suspend_connection,
        &MHD_resume_connection,
    };
    return &api;
}
