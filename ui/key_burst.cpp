// One paint after a burst of key presses, and work held until then.
#include "ui/key_burst.h"

namespace {

// The toplevel whose paints are held, with a reference, and the call that
// lets them go.
struct Held {
    GdkWindow* window = nullptr;
    guint release = 0;
};

Held held;

gboolean on_release_idle(gpointer)
{
    held.release = 0;
    if (held.window) {
        // Paints what the burst changed, once, in the toolkit's next redraw.
        gdk_window_thaw_updates(held.window);
        g_object_unref(held.window);
        held.window = nullptr;
    }
    return FALSE;
}

gboolean on_watched_key_press_event(GtkWidget* widget, GdkEventKey*, gpointer)
{
    GdkWindow* window = gtk_widget_get_window(gtk_widget_get_toplevel(widget));
    if (!held.window && window) {
        held.window = GDK_WINDOW(g_object_ref(window));
        gdk_window_freeze_updates(held.window);
    }
    if (!held.release)
        held.release = g_idle_add_full(AFTER_INPUT_PRIORITY, on_release_idle, nullptr, nullptr);
    return FALSE; // the list handles the key as always
}

gboolean on_after_input_idle(gpointer data)
{
    auto* call = static_cast<AfterInput*>(data);
    call->source = 0;
    if (call->fn)
        call->fn(call->data);
    return FALSE;
}

} // namespace

void key_burst_watch(GtkWidget* widget)
{
    g_signal_connect(widget, "key-press-event", G_CALLBACK(on_watched_key_press_event), nullptr);
}

void after_input_schedule(AfterInput& call, void (*fn)(gpointer data), gpointer data)
{
    call.fn = fn;
    call.data = data;
    if (!call.source)
        call.source = g_idle_add_full(AFTER_INPUT_PRIORITY, on_after_input_idle, &call, nullptr);
}

void after_input_cancel(AfterInput& call)
{
    if (call.source)
        g_source_remove(call.source);
    call.source = 0;
}

void after_input_flush(AfterInput& call)
{
    if (!call.source)
        return;
    after_input_cancel(call);
    if (call.fn)
        call.fn(call.data);
}
