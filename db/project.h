// Project files: a CSF image together with the user's phrase comments and
// word aliases, which a CSF file has no room for.
//
// All integers are big-endian u32.
//   0  "TBP1"
//   4  offset I of the embedded CSF image from the start of the file
//   8  comment records, then PROJECT_END_MARK
//      alias records, then PROJECT_END_MARK
//   I  a complete CSF image of the database's own variant, to the file end
// A record is the 0-based phrase (or word) number followed by the text and
// one NUL byte; records stand in ascending order, one per present text.
#pragma once

#include "db/speech_db.h"
#include "io/error_text.h"

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr std::uint32_t PROJECT_END_MARK = 0xFFFFFFFFu;

// True when written (and `modified` cleared), false with a message
// otherwise.
bool project_save(SpeechDb* db, const char* path, ErrorText* err);

// The header and both record sections, with their end marks: the part of
// the file before the CSF image.
bool project_build_head(const SpeechDb* db, std::vector<std::uint8_t>* head, ErrorText* err);

// The whole project file in memory, as project_save writes it; leaves
// `modified` alone. False with a message when no image can be built.
bool project_build(const SpeechDb* db, std::vector<std::uint8_t>* out, ErrorText* err);

// Parses a whole project file held in memory.
SpeechDbPtr project_parse(const std::uint8_t* data, std::size_t size, ErrorText* err);
// The same on a file's bytes held in common; the words keep slices of them.
SpeechDbPtr project_parse_block(const ByteBlock& block, ErrorText* err);
