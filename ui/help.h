// The Help menu: Contents (F1) opens the user guide in the desktop's web
// browser; About shows the version, the licence and a link to the guide.
// Its items come from a table, so a new one is one more row there.
#pragma once

#include <gtk/gtk.h>
#include <string>

// The "Help" item for the menu bar, with its menu; the accelerators go into
// `accel`.
GtkWidget* help_menu_build(GtkAccelGroup* accel);

// Where the user guide is: installed beside the program, as
// PROGRAM_DIR/../share/doc/tembrel/guide.html, or else the copy in the
// build folder `build_copy` (when the program runs from there). Empty when
// neither exists.
std::string help_find_guide(const std::string& program_dir, const std::string& build_copy);
// The guide of this program as a file URI, or empty when there is none.
std::string help_guide_uri();

void help_show_contents();
void help_show_about();
