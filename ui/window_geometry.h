// The main window's size and the positions of its panes, kept from one run
// to the next in the settings file's [window] group:
//   [window]
//   width=900
//   height=860
//   phrases-pane=420
// Each pane is kept under its widget name; panes without a name are not
// kept.
#pragma once

#include <gtk/gtk.h>

// Gives `window` the size it had when last saved, or `width` x `height`
// when none was saved, never larger than the screen; puts each named pane
// where it was. Called before the window is first shown.
void window_geometry_restore(GtkWindow* window, int width, int height);

// Keeps the window's size and its named panes' positions. False when the
// settings file could not be written.
bool window_geometry_save(GtkWindow* window);
