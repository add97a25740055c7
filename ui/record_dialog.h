// Recording a word from the microphone: a modal dialog with a live level
// meter and the elapsed time while the default capture device records.
// "Stop" keeps the recording: it is encoded and replaces the word's audio
// through the same edit an import makes, as one step of the history
// ("Record Word 12"), so it marks the database modified and can be undone.
// "Cancel", Escape or closing the dialog discard it. A device that cannot
// be opened is reported and changes nothing.
#pragma once

#include "db/speech_db.h"

#include <cstdint>
#include <vector>

// True when the word's audio was replaced. The caller stops any play first.
bool record_dialog_run(SpeechDb* db, std::uint32_t word);

// The samples of the last recording that was kept (16-bit little-endian),
// so the tests can encode exactly what was recorded.
const std::vector<std::uint8_t>& record_dialog_last_recording();
