// Saving the current database (File > Save, Save Project As, Save Audio)
// and the save question that Open and Quit ask before they let changes go.
#pragma once

#include "ui/play_session.h"

// File > Save: the project goes where it came from or was last saved as
// a project; without one yet it asks as Save Project As does. True only
// when the project file was written.
bool shell_save();
// The Save Project As flow: true only when the project file was written.
bool shell_save_project_as();
// File > Save Audio: asks for a CSF file's name and writes it; the
// modified mark stays, since a CSF file cannot hold the whole project.
void shell_save_audio();

// The common start of Open and Quit. Freeing or replacing the database
// under a running play would pull it from under the play, so a running
// play is stopped first; the command then goes on as if none had run, save
// question included. Only a stop asked from inside the play's own step
// cannot end it at once: the command then waits for its end (`flow` is run
// again from the start). Otherwise unsaved changes are settled with
// `question`. True when the command may go on now.
bool shell_may_go_ahead(Deferred command, void (*flow)(), const char* question);
