// A small modal window with a progress bar and a Cancel button for the
// batch jobs of the File menu. The job runs on the GUI thread (or waits
// for its workers there) and reports after each step; the report runs the
// toolkit's pending events, so the window draws and Cancel can be pressed.
#pragma once

#include <cstddef>
#include <gtk/gtk.h>
#include <memory>

struct ProgressWindow {
    GtkWidget* window = nullptr;
    GtkWidget* bar = nullptr;
    GtkWidget* cancel = nullptr;
    bool cancelled = false;

    ProgressWindow() = default;
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    ~ProgressWindow(); // closes the window
};
using ProgressWindowPtr = std::unique_ptr<ProgressWindow>;

// Shows the window titled `title` ("Importing Words"), over `parent`.
ProgressWindowPtr progress_window_open(GtkWindow* parent, const char* title);

// Shows "done of total", handles pending events and says whether the job
// may go on (false once Cancel was pressed or the window closed).
bool progress_window_update(ProgressWindow* p, std::size_t done, std::size_t total);
