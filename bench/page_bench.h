// What the benchmarks that drive a real page share: counting a widget's
// paints, running the main loop until something was drawn, wall-clock
// milliseconds, and a main() that starts the toolkit first.
#pragma once

#include <benchmark/benchmark.h>
#include <chrono>
#include <gtk/gtk.h>

namespace page_bench {

using Clock = std::chrono::steady_clock;

// An "expose-event" handler that counts the paints in the int at `counter`.
inline gboolean on_expose(GtkWidget*, GdkEventExpose*, gpointer counter)
{
    ++*static_cast<int*>(counter);
    return FALSE;
}

inline void run_pending()
{
    while (gtk_events_pending())
        gtk_main_iteration();
}

// Runs the main loop until `counter` has grown past `before`, i.e. the
// widget was drawn (30 s at most).
inline void wait_for_expose(const int& counter, int before)
{
    const auto limit = Clock::now() + std::chrono::seconds(30);
    while (counter == before && Clock::now() < limit) {
        gdk_window_process_all_updates();
        gtk_main_iteration_do(FALSE);
    }
    gdk_display_sync(gdk_display_get_default());
}

inline double ms_since(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// The whole main() of a page benchmark.
inline int run(int argc, char** argv)
{
    gtk_init(&argc, &argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace page_bench
