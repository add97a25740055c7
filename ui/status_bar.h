// The window's status bar, shared by everything that reports what the
// editor is doing. Each reporter owns one context and sets or clears its
// own message; the bar shows the message set most recently among those
// still set, so a play and, say, a save report do not wipe each other out.
#pragma once

#include <gtk/gtk.h>
#include <optional>
#include <string>

enum class StatusContext {
    Playback,
    Recording,
    Feedback, // one-off reports of finished commands
};

// Builds the bar; the shell packs it at the bottom of the window. A new
// bar replaces the old one (the tests build the window more than once).
GtkWidget* status_bar_build();

// Shows `text` for `context`, replacing that context's previous message.
// Nothing before the bar is built.
void status_bar_set(StatusContext context, const std::string& text);
void status_bar_clear(StatusContext context);

// What the bar shows now; empty when nothing.
std::string status_bar_text();

// A progress bar at the bar's end, with `text` in it, hidden again by
// status_bar_progress_end. It starts moving to and fro, each pulse moving
// it on, for work whose length is not known; once work tells how far it
// is, status_bar_progress_set fills it to that fraction (0 to 1).
void status_bar_progress_start(const std::string& text);
void status_bar_progress_pulse();
void status_bar_progress_set(double fraction);
void status_bar_progress_end();
// The progress bar's text while it is shown; empty otherwise.
std::string status_bar_progress_text();
// The fraction it shows; none while it pulses or is hidden.
std::optional<double> status_bar_progress_fraction();
