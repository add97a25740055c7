// File > Export Words…: every word (or the selected one) as NNN.wav in a
// folder, and with a check box also as alias.wav for words with an alias;
// files already there are named first and the user chooses Replace All,
// Skip or Cancel; a progress window with Cancel while the files are written.
#pragma once

#include "db/speech_db.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One file the export writes.
struct ExportTarget {
    std::uint32_t word = 0;
    std::string name; // "007.wav" or "left.wav"
};

// The files for `words` (every word when empty): NNN.wav for each word
// with audio, and alias.wav too when `aliases` is set and it has one.
std::vector<ExportTarget> export_words_targets(const SpeechDb* db, const std::vector<std::uint32_t>& words,
                                               bool aliases);

// Runs the dialog for `db`; `selected` is the word selected on the Words
// page, if any.
void export_words_dialog_run(const SpeechDb* db, std::optional<std::uint32_t> selected);
