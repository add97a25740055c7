// CSF audio database files: parsing a CSF image, building one in either
// variant and saving it. Opening a file of either kind is db/load.h.
//
// Every integer is big-endian and unsigned. An image is: header, phrase
// table, zero bytes up to a multiple of 4, word table with all audio, zero
// bytes up to a multiple of 4.
//
// Old variant (Mk2), 20-byte header:
//   0  u32 1 | 4 language code, 3 chars NUL-padded | 7 flags byte
//   8  u32 phrase table offset (20) | 12 u32 word table offset W
//   16 u32 total image size (written, never checked on reading)
//   phrase table at 20: u16 count N, N+1 u16 offsets (from the table
//   start), then one byte per reference holding word number + 1.
// Modern variant (Mk3/Mk4), 40-byte header:
//   0  "CSF OKI MSM6585\0" | 16 "0002" | 20 u32 1 | 24 language code
//   27 flags | 28 u32 phrase table offset (40) | 32 u32 W | 36 u32 size
//   phrase table at 40: u32 count N, N+1 u32 offsets, then u32 references.
// Word table at W, both variants: u32 count M, M+1 u32 offsets (from W),
//   then the ADPCM audio of every word back to back.
#pragma once

#include "db/speech_db.h"
#include "io/error_text.h"

#include <cstddef>
#include <cstdint>
#include <vector>

SpeechDbPtr csf_parse(const std::uint8_t* image, std::size_t size, ErrorText* err);
// Parses the image that fills `block` from `base` to its end; the words
// keep slices of the block instead of copies of their audio.
SpeechDbPtr csf_parse_block(const ByteBlock& block, std::size_t base, ErrorText* err);
DbFormat csf_detect_format(const std::uint8_t* image, std::size_t size);

// The image in the writers' layout. Empty when a value does not fit its
// field (old variant: more than 255 words, 65535 phrases, or phrase
// references past table offset 65535), since wrapped values would make a
// file that speaks the wrong words.
std::vector<std::uint8_t> csf_build_old(const SpeechDb* db);
std::vector<std::uint8_t> csf_build_modern(const SpeechDb* db);

// The image of the database's own variant. False with a message when the
// format is unknown or the database does not fit its variant.
bool csf_build_image(const SpeechDb* db, std::vector<std::uint8_t>* image, ErrorText* err);

// True when written, false with a message otherwise; leaves `modified`
// alone.
bool csf_save(const SpeechDb* db, const char* path, ErrorText* err);
