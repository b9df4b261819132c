// The player module: the one place that links libmpv. It hands the program the table of libmpv
// functions it calls (MpvApi.h).
#include "media/MpvApi.h"

extern "C" __attribute__((visibility("default"))) const MpvApi *tavilune_mpv_api()
{
    static const MpvApi api{
        MpvApi::Revision,
        &mpv_create,
        &mpv_initialize,
        &mpv_terminate_destroy,
        &mpv_set_option_string,
        &mpv_set_property,
        &mpv_set_property_string,
        &mpv_get_property,
        &mpv_get_property_string,
        &mpv_free,
        &mpv_observe_property,
        &mpv_request_log_messages,
        &mpv_set_wakeup_callback,
        &mpv_wait_event,
        &mpv_command,
        &mpv_command_ret,
        &mpv_free_node_contents,
        &mpv_hook_add,
        &mpv_hook_continue,
        &mpv_render_context_create,
        &mpv_render_context_set_update_callback,
        &mpv_render_context_render,
        &mpv_render_context_free,
        &mpv_command_async,
    };
    return &api;
}
