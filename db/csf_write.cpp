// Writing CSF files: the two image builders and Save Audio.
//
// An image is built in two passes: the first measures it, the second lays
// out the tables in one allocation of exactly their size. A save then
// writes the tables and every word's audio straight from where they lie;
// only callers that want the image in one buffer get it copied together.
#include "db/csf.h"

#include "db/csf_layout.h"
#include "io/bytes.h"
#include "io/file_io.h"
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
    s.phrases = list_count(db->phrases.get());
    for (std::uint32_t p = 0; p < s.phrases; ++p)
        s.references += db_phrase(db, p)->words.size();
    s.words = list_count(db->words.get());
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
    return s.phrases <= CSF_OLD_MAX_OFFSET && 2 * s.phrases + 4 + s.references <= CSF_OLD_MAX_OFFSET
        && s.words <= CSF_OLD_MAX_WORDS;
}

// Appends big-endian fields to an image whose capacity is already its
// final size, so every byte, padding included, is written exactly once.
class Appender {
public:
    explicit Appender(std::vector<std::uint8_t>* out) : out_(out) {}
    void bytes(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const std::uint8_t*>(p);
        out_->insert(out_->end(), b, b + n);
    }
    void u8(std::uint64_t v) { out_->push_back(std::uint8_t(v)); }
    void u16(std::uint64_t v)
    {
        std::uint8_t b[2];
        write_u16be(b, std::uint32_t(v));
        bytes(b, 2);
    }
    void u32(std::uint64_t v)
    {
        std::uint8_t b[4];
        write_u32be(b, std::uint32_t(v));
        bytes(b, 4);
    }
    void field(std::uint32_t width, std::uint64_t v)
    {
        if (width == 1)
            u8(v);
        else if (width == 2)
            u16(v);
        else
            u32(v);
    }
    // Zero bytes up to the given total length.
    void zeros_to(std::uint64_t length) { out_->resize(length, 0); }
    // Appends n zero bytes and returns where they start, to be filled.
    std::uint8_t* grow(std::uint64_t n)
    {
        const std::size_t at = out_->size();
        out_->resize(at + n, 0);
        return out_->data() + at;
    }

private:
    std::vector<std::uint8_t>* out_;
};

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

    std::vector<std::uint8_t>& image = *tables;
    image.clear();
    buffer_reserve_large(&image, s.word_table + 4 * s.words + 8);
    Appender out(&image);
    if (format == DB_FORMAT_OLD) {
        out.u32(1);
    } else {
        out.bytes(CSF_MODERN_SIGNATURE, 16);
        out.bytes(CSF_MODERN_VERSION, 4);
        out.u32(1);
    }
    out.bytes(db->language_code, 3);
    out.u8(std::uint64_t(db->flags) & 0xFF);
    out.u32(layout.header_size);
    out.u32(s.word_table);
    out.u32(s.total);

    // Phrase table: count, N + 1 offsets, then the references back to back.
    const std::uint32_t cw = layout.count_width;
    out.field(cw, s.phrases);
    std::uint64_t offset = cw * (s.phrases + 2);
    for (std::uint32_t p = 0; p < s.phrases; ++p) {
        out.field(cw, offset);
        offset += layout.ref_width * db_phrase(db, p)->words.size();
    }
    out.field(cw, offset);
    // The references are many small fields: written in place into their
    // stretch of the image rather than appended one by one.
    std::uint8_t* ref = out.grow(layout.ref_width * s.references);
    for (std::uint32_t p = 0; p < s.phrases; ++p) {
        for (const WordEntry* word : db_phrase(db, p)->words) {
            const std::uint32_t value = std::uint32_t(word->number) + 1;
            if (layout.ref_width == 1)
                *ref = std::uint8_t(value);
            else
                write_u32be(ref, value);
            ref += layout.ref_width;
        }
    }
    out.zeros_to(s.word_table);

    // Word table: count, M + 1 offsets, then every word's audio.
    out.u32(s.words);
    offset = 4 * s.words + 8;
    for (std::uint32_t w = 0; w < s.words; ++w) {
        out.u32(offset);
        offset += db_word(db, w)->audio.size();
    }
    out.u32(offset);
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

bool csf_build_pieces(const SpeechDb* db, CsfPieces* pieces, char* err)
{
    if (db->format != DB_FORMAT_OLD && db->format != DB_FORMAT_MODERN) {
        error_set(err, "Unrecognized file format");
        return false;
    }
    if (!build_pieces(db, db->format, pieces)) {
        // Only a database that outgrew its variant's fields gives no image.
        error_set(err, db->format == DB_FORMAT_OLD ? "Database too large for the old format" : "Error saving file");
        return false;
    }
    return true;
}

bool csf_build_image(const SpeechDb* db, std::vector<std::uint8_t>* image, char* err)
{
    CsfPieces pieces;
    if (!csf_build_pieces(db, &pieces, err))
        return false;
    *image = buffer_join(pieces.parts);
    return true;
}

int csf_save(const SpeechDb* db, const char* path, char* err)
{
    if (!path || !*path) {
        error_set(err, "Invalid output filename");
        return 0;
    }
    // The audio goes to the file straight from the words, so a save needs
    // no second copy of the whole image in memory.
    CsfPieces pieces;
    if (!csf_build_pieces(db, &pieces, err))
        return 0;
    return io_replace_file(path, pieces.parts, err) ? 1 : 0;
}
