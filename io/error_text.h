// The text a failing load, save or WAV operation leaves for its caller.
//
// Every fallible function of io/, db/ and audio/ that explains its failure
// takes an `ErrorText*` as its last argument (null when the caller does not
// want the text): the type carries its own ERROR_BUFFER_SIZE bytes, so no
// callee can write past a smaller buffer. Functions that report a cause
// rather than a text (io_read_file's errno, audio_play's device error) hand
// back that cause and let the caller word it.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t ERROR_BUFFER_SIZE = 1024;

// The kind of entry a message is about, when it is about one.
enum class ErrorItem { None, Word, Phrase };

struct ErrorText {
    char text[ERROR_BUFFER_SIZE] = "";
    // Kept apart by error_note_item (and cleared by error_set), for callers
    // that number entries from 1 and word the place themselves: the entry,
    // its 0-based number, and the message without " in phrase N", in
    // English (translated where it is shown).
    ErrorItem item = ErrorItem::None;
    std::uint32_t index = 0;
    const char* reason = "";
    // The errno of the system call whose failure the message reports, set
    // by error_note_cause where the call failed; 0 for refusals, which have
    // no such reason.
    int cause = 0;

    const char* c_str() const { return text; }
    bool empty() const { return text[0] == '\0'; }
    // Reads as its text wherever a C string is taken (dialogs, streams).
    operator const char*() const { return text; }
};

// Formats one line into `err`, cutting it to fit; a null `err` is allowed.
// The format is checked by the compiler, so callers pass literal formats.
void error_set(ErrorText* err, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// Says which entry the message just set is about: `index` counted from 0,
// as the message and the file's own tables count, and `reason` the message
// without its place, an untranslated literal (it is kept).
void error_note_item(ErrorText* err, ErrorItem item, std::uint32_t index, const char* reason);
// Says that the message just set reports a failed system call, and its errno.
void error_note_cause(ErrorText* err, int cause);
