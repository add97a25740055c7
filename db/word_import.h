// Bringing recordings from sound files into words: one word with the
// import options, a whole folder matched to words by number or alias,
// and the loudness the other words of a database share. A batch is all or
// nothing: the words change only when every file was prepared.
#pragma once

#include "audio/audio_import.h"
#include "audio/import_batch.h"
#include "db/speech_db.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Imports one word through word_set_audio; `report` (may be null) says
// what the conversion did. "Word number too big" for an unknown word.
bool word_import_audio(SpeechDb* db, std::uint32_t word, const char* path, const ImportOptions& options,
                       ImportReport* report, ErrorText* err);

// The median loudness (LUFS) of the words whose audio is as loaded: the
// target that makes new words sound like the database. Nothing when no
// unchanged word has measurable audio.
std::optional<double> db_median_loudness(const SpeechDb* db);

// What a file in an import folder is used for.
struct FileMatch {
    std::string path;
    std::string name;                 // the file name alone
    std::optional<std::uint32_t> word; // 0-based; nothing when unused
    std::string reason;               // why it is unused
};

// Whether a file name looks like a sound file the import can read.
bool import_is_sound_name(const std::string& name);

// Matches each file to a word: "12.wav" and "012.wav" to word 12,
// "left.wav" to the word whose alias is "left". Files are taken in name
// order; the first file for a word wins. Unused files carry the reason,
// e.g. "no word 99" or "no word has the alias 'right'".
std::vector<FileMatch> word_match_files(const SpeechDb* db, std::vector<std::string> paths);

// The 0-based numbers of the words no file matched.
std::vector<std::uint32_t> words_without_file(const SpeechDb* db, const std::vector<FileMatch>& matches);

// One word and the file it is to come from.
struct WordFile {
    std::uint32_t word = 0;
    std::string path;
};

struct BatchOutcome {
    bool cancelled = false;
    std::vector<std::string> failures; // "PATH: message", in file order
    std::vector<ImportReport> reports; // one per file, when imported
};

// Prepares every file on `threads` threads (0: one per core) and, only
// when all succeeded and nothing cancelled, gives the words their new
// audio in the order of `files`. Otherwise the database is untouched.
bool word_import_files(SpeechDb* db, const std::vector<WordFile>& files, const ImportOptions& options,
                       unsigned threads, const BatchProgress& progress, BatchOutcome* outcome);
