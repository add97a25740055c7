// The question the Words page asks when a recording is not in the
// database's format: "voice.flac is 44100 Hz, stereo, 24-bit. Convert it
// to 16000 Hz mono?", with Convert and Cancel and the import choices.
#pragma once

#include "audio/sound_file.h"
#include "ui/import_choices.h"

#include <optional>

// The choices made when the user answers Convert (and remembered for next
// time); nothing on Cancel or when the question is closed.
std::optional<ImportChoices> convert_dialog_ask(const char* file_name, const SoundFormat& format);
