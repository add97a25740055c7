// Small pieces every tembrel-tool command shares: failing with the
// library's message, parsing 1-based numbers, progress lines, and the
// output-format choice by file extension.
#pragma once

#include "db/file_names.h"
#include "db/speech_db.h"
#include "io/error_text.h"

#include <cstdint>
#include <string>

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

// Prints "tembrel-tool: MESSAGE" on stderr as one line (line breaks in a
// library message become blanks) and returns EXIT_FAILED.
int tool_fail(const std::string& message);
// printf into a string, for messages whose (translated) text has
// placeholders.
std::string tool_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// What to say should memory run out from now on, as one whole sentence
// naming what the command is doing ("Out of memory while loading x.csf").
void tool_doing(const std::string& out_of_memory_text);
const std::string& tool_activity();

// An output name the command can use; otherwise false after saying
// "Invalid output filename", the same for every command.
bool tool_output_named(const char* path);

// "-" stands for standard output; anything else is a path.
const char* tool_output_path(const char* arg);
// "-" stands for standard input, which a pipe hands over once: it is first
// copied into an unnamed temporary file, so that readers may measure and
// seek it. Anything else is a path. The empty text when the copy failed,
// after saying why.
std::string tool_input_path(const char* arg);

// "SHOWN: MESSAGE (reason)" for a failed load, save or export; a message
// about one word or phrase becomes "SHOWN: phrase N: REASON", N counted
// from 1 like every number the tool prints.
std::string tool_error_text(const char* shown, const ErrorText& err);

// Loads the database at `path` (shown to the user as `shown`), saying why
// on stderr, with the file's name, when it cannot be loaded.
SpeechDbPtr tool_load(const char* path, const char* shown);

// A strictly decimal number from 1 to `max`; false for anything else.
bool tool_parse_number(const char* text, std::uint32_t max, std::uint32_t* out);

// Writes the database as `kind`, a CSF or a project file (the commands
// refuse any other output, by db_file_kind, before loading); false with the
// message in `err`.
bool tool_save(SpeechDb* db, const char* path, DbFileKind kind, ErrorText* err);

// A "\rLABEL i/n" line on stderr, only when stderr is a terminal.
struct Progress {
    const char* label;
    std::uint32_t total;
    bool active;
    Progress(const char* label, std::uint32_t total);
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void update(std::uint32_t done);
    ~Progress();
};
