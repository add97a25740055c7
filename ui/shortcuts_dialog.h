// Help > Keyboard Shortcuts: a window listing every key that does
// something. The list is read from the main window's own accelerators and
// from the underlined letters of its menus and of each page's controls,
// so it names exactly the keys the window answers to, with the labels it
// shows; the few keys that lists and entries handle themselves come from a
// small table beside them.
#pragma once

#include <gtk/gtk.h>
#include <string>
#include <vector>

struct Shortcut {
    std::string action; // "File > Open", "Record"
    std::string keys; // as the menus show it: "Ctrl+O"
    guint key = 0; // 0 for keys a widget handles itself
    GdkModifierType mods = GdkModifierType(0);
    // An underlined letter (with Alt) rather than an accelerator; it acts
    // only while its control is shown.
    bool mnemonic = false;
};

// Every shortcut of `window`: its accelerators in menu order first, then
// the underlined letters of its menus and of each notebook page's controls
// ("Phrases > Move Down"), then the keys its lists and entries handle.
std::vector<Shortcut> shortcuts_of(GtkWindow* window);

// Shows the shortcuts of the main window in a modal window until it is
// closed.
void shortcuts_dialog_run();
