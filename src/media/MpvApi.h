#pragma once
// The libmpv functions the program calls, reached through the player module
// (libtavilune_mpv.so, beside the executable) that is loaded on first use: the program itself
// does not link libmpv, so libmpv and its decoders are not loaded until something plays.
//
// Thread contract: Load(), Loaded() and Preload() may be called from any thread (the UI
// thread in practice); the table never changes and stays valid until the process ends (the
// module is never unloaded).
#include <mpv/client.h>
#include <mpv/render.h>

class QString;

struct MpvApi {
    // Raised whenever the table's layout changes: a module of another build is refused.
    static constexpr int Revision = 2;
    int revision = Revision;

    decltype(&mpv_create) create;
    decltype(&mpv_initialize) initialize;
    decltype(&mpv_terminate_destroy) terminate_destroy;
    decltype(&mpv_set_option_string) set_option_string;
    decltype(&mpv_set_property) set_property;
    decltype(&mpv_set_property_string) set_property_string;
    decltype(&mpv_get_property) get_property;
    decltype(&mpv_get_property_string) get_property_string;
    decltype(&mpv_free) free;
    decltype(&mpv_observe_property) observe_property;
    decltype(&mpv_request_log_messages) request_log_messages;
    decltype(&mpv_set_wakeup_callback) set_wakeup_callback;
    decltype(&mpv_wait_event) wait_event;
    decltype(&mpv_command) command;
    decltype(&mpv_command_ret) command_ret;
    decltype(&mpv_free_node_contents) free_node_contents;
    decltype(&mpv_hook_add) hook_add;
    decltype(&mpv_hook_continue) hook_continue;
    decltype(&mpv_render_context_create) render_context_create;
    decltype(&mpv_render_context_set_update_callback) render_context_set_update_callback;
    decltype(&mpv_render_context_render) render_context_render;
    decltype(&mpv_render_context_free) render_context_free;
    decltype(&mpv_command_async) command_async;

    // Loads the module once per process (or waits for Preload's load to end); nullptr when it
    // is missing, does not load (libmpv absent) or belongs to another build. Later calls
    // return the first answer at once.
    static const MpvApi *Load();
    // Starts the load on a thread of its own and returns at once; a later Load() waits only for
    // what is left of it. Loading libmpv and its decoders takes a few hundred milliseconds.
    static void Preload();
    // The table if Load() already succeeded, without loading anything.
    static const MpvApi *Loaded();
    // Where Load() looks: the executable's folder.
    static QString ModulePath();
};

// The module's one entry point, an extern "C" function of that name returning its table.
using TavMpvApiFunction = const MpvApi *(*)();
#define TAV_MPV_API_SYMBOL "tavilune_mpv_api"
