// Work too long for the main loop (loading or writing a large file) on a
// worker thread, while the window keeps drawing and answering: the caller
// waits in a nested main loop, the status bar shows a moving progress bar,
// and the window's controls take no input until the work has ended, so
// nothing can change or replace the database meanwhile.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <gtk/gtk.h>
#include <vector>

// Files from this size on are read and written on a worker; smaller ones
// take less time than a frame would show.
constexpr std::uint64_t BACKGROUND_WORK_BYTES = std::uint64_t(4) << 20;

// The window's controls that could change or replace the database (the
// shell's menus and pages); insensitive while work runs.
void background_work_set_controls(std::vector<GtkWidget*> controls);

// How far work has come, for work that can tell: `done` out of `total`
// (bytes written, say), counted by the worker and read by the progress bar.
struct WorkProgress {
    std::atomic<std::uint64_t> done {0};
    std::uint64_t total = 0;
};

// Runs `work` on a worker and returns its result once it has ended; `text`
// is the progress bar's. `work` must touch nothing the main loop uses. With
// `progress` the bar shows its fraction once the first part is done;
// without, it pulses.
bool background_work_run(const char* text, std::function<bool()> work, const WorkProgress* progress = nullptr);

// True while some work runs; then `flow` is run once it has ended, from the
// main loop (as the window's close waits for a load to end).
bool background_work_running();
void background_work_defer(void (*flow)());
