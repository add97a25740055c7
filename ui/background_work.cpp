// A worker thread and a nested main loop that waits for it.
#include "ui/background_work.h"

#include "ui/status_bar.h"

#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// How often the progress bar moves while waiting.
constexpr guint PULSE_MS = 50;

struct Background {
    std::vector<GtkWidget*> controls;
    int running = 0; // an autosave's wait may run an open's, and so on
    std::vector<void (*)()> deferred;
};

Background state;

// `data` is the work's WorkProgress, or null.
gboolean on_pulse_timeout(gpointer data)
{
    const auto* progress = static_cast<const WorkProgress*>(data);
    const std::uint64_t done = progress ? progress->done.load() : 0;
    if (done > 0 && progress->total > 0)
        status_bar_progress_set(double(done) / double(progress->total));
    else
        status_bar_progress_pulse();
    return TRUE;
}

gboolean on_deferred_idle(gpointer)
{
    std::vector<void (*)()> flows;
    flows.swap(state.deferred);
    for (auto flow : flows)
        flow();
    return FALSE;
}

} // namespace

void background_work_set_controls(std::vector<GtkWidget*> controls)
{
    state.controls = std::move(controls);
}

namespace {

// The window while work runs: controls insensitive, the progress bar
// shown and moving. The destructor gives everything back, also when the
// work could not start.
struct Busy {
    std::vector<GtkWidget*> made_insensitive;
    guint pulse = 0;

    Busy(const char* text, const WorkProgress* progress)
    {
        state.running++;
        for (GtkWidget* widget : state.controls)
            if (widget && gtk_widget_get_sensitive(widget)) {
                gtk_widget_set_sensitive(widget, FALSE);
                made_insensitive.push_back(widget);
            }
        status_bar_progress_start(text);
        pulse = g_timeout_add(PULSE_MS, on_pulse_timeout, const_cast<WorkProgress*>(progress));
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
    ~Busy()
    {
        g_source_remove(pulse);
        status_bar_progress_end();
        for (GtkWidget* widget : made_insensitive)
            gtk_widget_set_sensitive(widget, TRUE);
        state.running--;
        if (state.running == 0 && !state.deferred.empty())
            g_idle_add(on_deferred_idle, nullptr);
    }
};

} // namespace

bool background_work_run(const char* text, std::function<bool()> work, const WorkProgress* progress)
{
    const Busy busy(text, progress);
    std::atomic<bool> done {false};
    bool result = false;
    GMainContext* context = g_main_context_default();
    std::thread worker;
    try {
        worker = std::thread([&] {
            result = work();
            done = true;
            // Wakes the waiting loop below at once.
            g_main_context_wakeup(context);
        });
    } catch (const std::system_error&) {
        // No room for a thread's stack: memory has run out, as far as the
        // caller can tell, and nothing has been done.
        throw std::bad_alloc();
    }
    while (!done)
        g_main_context_iteration(context, TRUE);
    worker.join();
    return result;
}

bool background_work_running()
{
    return state.running > 0;
}

void background_work_defer(void (*flow)())
{
    for (auto queued : state.deferred)
        if (queued == flow)
            return;
    state.deferred.push_back(flow);
}
