// Where the two CSF variants keep their header fields and how wide their
// phrase tables are, shared by the reader and the writers.
#pragma once

#include "db/speech_db.h"
#include "io/error_text.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

struct CsfLayout {
    std::uint32_t header_size;   // also the phrase table's offset
    std::uint32_t language;      // 3 bytes of language code
    std::uint32_t flags;         // the flags byte
    std::uint32_t phrases_field; // u32: phrase table offset
    std::uint32_t words_field;   // u32: word table offset W
    std::uint32_t size_field;    // u32: total image size
    std::uint32_t count_width;   // width of the phrase count and offsets
    std::uint32_t ref_width;     // width of one word reference
    std::uint32_t marker;        // u32 1: the old variant's mark, after the modern signature
};

constexpr CsfLayout CSF_OLD_LAYOUT = {20, 4, 7, 8, 12, 16, 2, 1, 0};
constexpr CsfLayout CSF_MODERN_LAYOUT = {40, 24, 27, 28, 32, 36, 4, 4, 20};

// The signature of the modern variant, its NUL included.
constexpr char CSF_MODERN_SIGNATURE[16] = "CSF OKI MSM6585";
constexpr char CSF_MODERN_VERSION[5] = "0002";

// The largest value of the old variant's 16-bit phrase count and offsets.
constexpr std::uint32_t CSF_OLD_MAX_OFFSET = 0xFFFF;

inline const CsfLayout& csf_layout(DbFormat format)
{
    return format == DB_FORMAT_OLD ? CSF_OLD_LAYOUT : CSF_MODERN_LAYOUT;
}

// A CSF image of the database's own variant as the pieces that make it up,
// in order: `parts` starts with `tables` (header, phrase table, word table
// offsets), then points at every word's audio, then at the final padding.
// Valid until the database changes.
struct CsfPieces {
    std::vector<std::uint8_t> tables;
    std::vector<std::span<const std::uint8_t>> parts;
};

// False with "Unrecognized file format" or "Database too large for the old
// format" when no image can be written.
bool csf_build_pieces(const SpeechDb* db, CsfPieces* pieces, ErrorText* err);
