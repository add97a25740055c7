// Opening a database file: reads it whole and hands it to the parser its
// first bytes call for, a project file (at least 16 bytes beginning
// "TBP1") to the project reader, anything else to the CSF reader.
#pragma once

#include "db/speech_db.h"
#include "io/error_text.h"

#include <cstddef>
#include <cstdint>

// Loads a CSF or project file.
SpeechDbPtr db_load_file(const char* path, ErrorText* err);
// What db_load_file does with the file's bytes.
SpeechDbPtr db_parse_buffer(const std::uint8_t* data, std::size_t size, ErrorText* err);
// The same without a copy: the database's words keep slices of `block`.
SpeechDbPtr db_parse_block(const ByteBlock& block, ErrorText* err);
