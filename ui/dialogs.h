// The modal helpers the shell and the pages share: the error message, the
// Yes/No/Cancel question asked before unsaved changes would be lost, and the
// Save and Load file choosers, each chooser remembering the folder of its own
// last accepted use (in memory only).
#pragma once

#include <cstddef>
#include <gtk/gtk.h>
#include <string>
#include <vector>

// The answers to the save question; closing the dialog any other way than
// with Yes or No counts as Cancel.
enum class SaveAnswer {
    Yes,
    No,
    Cancel,
};

// The window the message and the question are shown over, or null. The
// shell sets it once it has built the main window.
void dialogs_set_parent(GtkWindow* window);
GtkWindow* dialogs_parent();

// A modal error message with one Close button, showing `message` literally
// (a "%" in it is an ordinary character). Returns once it is closed.
void dialogs_show_error(const char* message);

// Asks `question` (a "\n" breaks the line) in a modal dialog titled "Save".
SaveAnswer dialogs_ask_save_first(const char* question);

// The Save chooser (with `suggested` as the name, when given, and the
// chooser's own question before overwriting) and the Load chooser. True
// when a file was chosen: its name, in the encoding the file layer opens,
// is in `out`. A name that does not fit `out_size` counts as a cancel. The
// Save chooser starts in `folder` when one is given, otherwise where it
// was last accepted.
bool dialogs_choose_save_path(const char* suggested, char* out, std::size_t out_size, const char* folder = nullptr);
bool dialogs_choose_open_path(char* out, std::size_t out_size);

// A chooser for one folder and one for several files, both starting where
// the Load chooser last was and titled `title`. Empty when cancelled.
std::string dialogs_choose_folder(const char* title);
std::vector<std::string> dialogs_choose_files(const char* title);
