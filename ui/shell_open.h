// Opening a database: File > Open and Open Recent, a file named at start
// and the recovery copies offered then.
#pragma once

// File > Open: settles unsaved changes, asks for a file and opens it.
void shell_open();
// File > Open Recent with `path` chosen: the same as Open without the
// chooser.
void shell_open_recent(const char* path);
// Loads a CSF or project file as File > Open does once a file is chosen
// (without asking about unsaved changes): on success it becomes the
// current database and the window's title names it; on failure the load
// message is shown and nothing changes. True when the file was loaded.
// Offers the file's recovery copy when it is newer than the file.
bool shell_open_file(const char* path);
// What the editor does once its window is up: opens `file` when one was
// named on the command line, otherwise offers what the recovery folder
// holds.
void shell_start(const char* file);
