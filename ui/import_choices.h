// The choices a user makes when bringing recordings in, shared by the
// Replace question and the Import Words dialog: trim, level and the
// encoding quality, shown as the same three controls and remembered in the
// settings file.
#pragma once

#include "audio/audio_import.h"
#include "db/speech_db.h"

#include <gtk/gtk.h>

struct ImportChoices {
    bool trim = false;
    bool level = false;
    AdpcmQuality quality = AdpcmQuality::STANDARD;
};

// What was chosen last time (all off and Standard the first time).
ImportChoices import_choices_load();
void import_choices_save(const ImportChoices& choices);

// "Trim silence", "Match loudness" and "Encoding quality: Standard / Best"
// in one box, set to `choices`.
struct ImportChoiceWidgets {
    GtkWidget* box = nullptr;
    GtkWidget* trim = nullptr;
    GtkWidget* level = nullptr;
    GtkWidget* standard = nullptr;
    GtkWidget* best = nullptr;
};
ImportChoiceWidgets import_choices_build(const ImportChoices& choices);
ImportChoices import_choices_read(const ImportChoiceWidgets& widgets);

// The import options for `choices`: the default trim threshold, and as the
// level target the median loudness of the database's unchanged words (no
// levelling when there is none to measure).
ImportOptions import_choices_options(const ImportChoices& choices, const SpeechDb* db, bool convert);
