// File > Import Words…: sound files from a folder (or several chosen
// files) matched to words by number (12.wav, 012.wav) or alias (left.wav),
// a table of what will happen before anything changes, then the import
// with a progress window and Cancel. All or nothing: a failure or Cancel
// leaves the database as it was.
#pragma once

#include "db/speech_db.h"
#include "db/word_import.h"
#include "ui/import_choices.h"

#include <string>
#include <vector>

// One row of the table: the file, its word, its format and what the
// import will do with it.
struct ImportPlanRow {
    std::string file;
    std::string word;   // "12" or "12 (left)"; empty for an unused file
    std::string format; // "44100 Hz, stereo, 24-bit"; empty when unused
    std::string action; // "convert, trim", "as is", "not used: no word 99"
};

struct ImportPlan {
    std::vector<ImportPlanRow> rows;
    std::vector<WordFile> files;   // what will be imported, in table order
    std::string words_without_file; // "Words without a file: 3, 4"
};

ImportPlan import_words_plan(const SpeechDb* db, const std::vector<std::string>& paths, const ImportChoices& choices);

// Runs the dialog; true when words were replaced.
bool import_words_dialog_run(SpeechDb* db);
