// Held keys and keys typed faster than the window paints reach a list as a
// burst of key presses, all queued at once. GTK's tree view scrolls and
// repaints its rows synchronously for every press that moves its view, and
// the pages update what depends on the selection for every row passed: a
// burst of 100 Page_Down would paint 100 pages and draw 100 waveforms that
// nobody sees. Here a key press on a watched list holds the window's
// painting until the queued input has been handled, so the window paints
// once, where the burst ended; work a page does per selected row can wait
// for the same moment.
#pragma once

#include <gtk/gtk.h>

// Runs after every queued input event (the toolkit's events run at
// G_PRIORITY_DEFAULT), before the window paints (GDK_PRIORITY_REDRAW).
constexpr int AFTER_INPUT_PRIORITY = G_PRIORITY_DEFAULT + 10;

// Holds the window's paints from each key press on `widget` until the input
// queued with it has been handled.
void key_burst_watch(GtkWidget* widget);

// Work to run once after the queued input: asking again before it ran
// changes nothing. The record belongs to its owner, who passes itself as
// `data`; `cancel` drops a call that has not run.
struct AfterInput {
    guint source = 0;
    void (*fn)(gpointer data) = nullptr;
    gpointer data = nullptr;
};
void after_input_schedule(AfterInput& call, void (*fn)(gpointer data), gpointer data);
void after_input_cancel(AfterInput& call);
// Runs a scheduled call now (a caller that needs its result at once).
void after_input_flush(AfterInput& call);
