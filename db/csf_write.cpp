// Writing CSF images: the two image builders and the pieces a save writes.
//
// An image is built in two passes: the first measures it, the second lays
// out the tables in one allocation of exactly their size. A save then
// writes the tables and every word's audio straight from where they lie;
// only callers that want the image in one buffer get it copied together.
#include "db/csf.h"

#include "db/csf_layout.h"
#include "io/bytes.h"
#include "io/i18n.h"
#include "io/large_buffer.h"

#include <cstring>

namespace {

struct ImageSize {
    std::uint64_t phrases = 0;    // N
    std::uint64_t references = 0; // R
    std::uint64_t words = 0;      // M
    std::uint64_t audio = 0;      // A
    std::uint64_t word_table = 0; // W
    std::uint64_t total = 0;
};

constexpr std::uint64_t round_up4(std::uint64_t v)
{
    return (v + 3) & ~std::uint64_t(3);
}

ImageSize measure(const SpeechDb* db, const CsfLayout& layout)
{
    ImageSize s;
    s.phrases = phrase_count(db);
    for (std::uint32_t p = 0; p < s.phrases; ++p)
        s.references += db_phrase(db, p)->words.size();
    s.words = word_count(db);
    for (std::uint32_t w = 0; w < s.words; ++w)
        s.audio += db_word(db, w)->audio.size();
    const std::uint64_t refs_end = std::uint64_t(layout.header_size) + layout.count_width * (s.phrases + 2)
        + layout.ref_width * s.references;
    s.word_table = round_up4(refs_end);
    s.total = round_up4(s.word_table + 4 * s.words + 8 + s.audio);
    return s;
}

// Whether every field of the variant can hold its value without wrapping.
bool fits(const ImageSize& s, DbFormat format)
{
    if (s.total > 0xFFFFFFFFu)
        return false;
    if (format != DB_FORMAT_OLD)
        return true;
    return 2 * s.phrases + 4 + s.references <= CSF_OLD_MAX_OFFSET && s.words <= CSF_OLD_MAX_WORDS;
}

// Everything of the image in front of the audio: header, phrase table and
// the word table's count and offsets. False when the database does not fit
// the variant's fields.
bool build_tables(const SpeechDb* db, DbFormat format, ImageSize* size, std::vector<std::uint8_t>* tables)
{
    const CsfLayout& layout = csf_layout(format);
    const ImageSize s = measure(db, layout);
    if (!fits(s, format))
        return false;
    *size = s;

    // Every byte, padding included, is written exactly once into a buffer
    // reserved at its final size.
    std::vector<std::uint8_t>& out = *tables;
    out.clear();
    buffer_reserve_large(&out, s.word_table + 4 * s.words + 8);

    // Header: each field where the reader looks for it.
    out.resize(layout.header_size, 0);
    std::uint8_t* head = out.data();
    if (format == DB_FORMAT_MODERN) {
        std::memcpy(head, CSF_MODERN_SIGNATURE, sizeof CSF_MODERN_SIGNATURE);
        std::memcpy(head + sizeof CSF_MODERN_SIGNATURE, CSF_MODERN_VERSION, 4);
    }
    write_u32be(head + layout.marker, 1);
    std::memcpy(head + layout.language, db->language_code, 3);
    head[layout.flags] = std::uint8_t(db->flags);
    write_u32be(head + layout.phrases_field, layout.header_size);
    write_u32be(head + layout.words_field, std::uint32_t(s.word_table));
    write_u32be(head + layout.size_field, std::uint32_t(s.total));

    // Phrase table: count, N + 1 offsets, then the references back to back.
    const std::uint32_t cw = layout.count_width;
    append_be(&out, cw, std::uint32_t(s.phrases));
    std::uint64_t offset = cw * (s.phrases + 2);
    for (std::uint32_t p = 0; p < s.phrases; ++p) {
        append_be(&out, cw, std::uint32_t(offset));
        offset += layout.ref_width * db_phrase(db, p)->words.size();
    }
    append_be(&out, cw, std::uint32_t(offset));
    // The references are many small fields: written in place into their
    // stretch of the image rather than appended one by one.
    const std::size_t refs_at = out.size();
    out.resize(refs_at + layout.ref_width * s.references);
    std::uint8_t* ref = out.data() + refs_at;
    for (std::uint32_t p = 0; p < s.phrases; ++p) {
        for (const WordEntry* word : db_phrase(db, p)->words) {
            write_be(ref, layout.ref_width, word->number + 1);
            ref += layout.ref_width;
        }
    }
    out.resize(s.word_table, 0);

    // Word table: count, M + 1 offsets, then every word's audio.
    append_be(&out, 4, std::uint32_t(s.words));
    offset = 4 * s.words + 8;
    for (std::uint32_t w = 0; w < s.words; ++w) {
        append_be(&out, 4, std::uint32_t(offset));
        offset += db_word(db, w)->audio.size();
    }
    append_be(&out, 4, std::uint32_t(offset));
    return true;
}

constexpr std::uint8_t ZERO_PAD[4] = {0, 0, 0, 0};

// The image as the pieces a writer sends out in order: the tables, every
// word's audio where it lies, and the final padding. Nothing is copied.
bool build_pieces(const SpeechDb* db, DbFormat format, CsfPieces* pieces)
{
    ImageSize s;
    if (!build_tables(db, format, &s, &pieces->tables))
        return false;
    pieces->parts.clear();
    pieces->parts.reserve(s.words + 2);
    pieces->parts.emplace_back(pieces->tables);
    for (std::uint32_t w = 0; w < s.words; ++w) {
        const AudioBytes& audio = db_word(db, w)->audio;
        if (!audio.empty())
            pieces->parts.push_back(audio.span());
    }
    const std::uint64_t end = s.word_table + 4 * s.words + 8 + s.audio;
    if (s.total > end)
        pieces->parts.emplace_back(ZERO_PAD, std::size_t(s.total - end));
    return true;
}

std::vector<std::uint8_t> build(const SpeechDb* db, DbFormat format)
{
    CsfPieces pieces;
    if (!build_pieces(db, format, &pieces))
        return {};
    return buffer_join(pieces.parts);
}

} // namespace

std::vector<std::uint8_t> csf_build_old(const SpeechDb* db)
{
    return build(db, DB_FORMAT_OLD);
}

std::vector<std::uint8_t> csf_build_modern(const SpeechDb* db)
{
    return build(db, DB_FORMAT_MODERN);
}

bool csf_build_pieces(const SpeechDb* db, CsfPieces* pieces, ErrorText* err)
{
    if (db->format != DB_FORMAT_OLD && db->format != DB_FORMAT_MODERN) {
        error_set(err, _("Unrecognized file format"));
        return false;
    }
    if (!build_pieces(db, db->format, pieces)) {
        // Only a database that outgrew its variant's fields gives no image.
        if (db->format == DB_FORMAT_OLD)
            error_set(err, _("Database too large for the old format"));
        else
            error_set(err, _("Error saving file"));
        return false;
    }
    return true;
}

bool csf_build_image(const SpeechDb* db, std::vector<std::uint8_t>* image, ErrorText* err)
{
    CsfPieces pieces;
    if (!csf_build_pieces(db, &pieces, err))
        return false;
    *image = buffer_join(pieces.parts);
    return true;
}
