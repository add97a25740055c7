// Internal to the shell: the parts of the dialogs and choosers that the
// shell itself needs beyond the public helpers in ui/shell.h.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <string>

// Forgets the folders the Save and Load choosers remember.
void dialogs_forget_folders();

// The folders the two choosers will start in next (empty: the toolkit's
// default). Exposed so the shell tests can see them.
const std::string& dialogs_save_folder();
const std::string& dialogs_open_folder();

// The 16 x 16 window icon with every pure black pixel made transparent.
// A new reference, or null if the embedded image is damaged.
GdkPixbuf* app_icon_new();
