// Writing CSF files: the two image builders and Save Audio.
//
// An image is built in two passes: the first measures it, the second fills
// one zeroed allocation of exactly the final size, so the padding between
// the tables and after the audio is zero without further work.
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

void write_table_field(std::uint8_t* p, std::uint32_t width, std::uint64_t value)
{
    if (width == 2)
        write_u16be(p, std::uint32_t(value));
    else
        write_u32be(p, std::uint32_t(value));
}

std::vector<std::uint8_t> build(const SpeechDb* db, DbFormat format)
{
    const CsfLayout& layout = csf_layout(format);
    const ImageSize s = measure(db, layout);
    if (!fits(s, format))
        return {};

    std::vector<std::uint8_t> image;
    buffer_reserve_large(&image, s.total);
    image.resize(s.total);
    std::uint8_t* out = image.data();
    if (format == DB_FORMAT_OLD) {
        write_u32be(out, 1);
    } else {
        std::memcpy(out, CSF_MODERN_SIGNATURE, 16);
        std::memcpy(out + 16, CSF_MODERN_VERSION, 4);
        write_u32be(out + 20, 1);
    }
    std::memcpy(out + layout.language, db->language_code, 3);
    out[layout.flags] = std::uint8_t(db->flags & 0xFF);
    write_u32be(out + layout.phrases_field, layout.header_size);
    write_u32be(out + layout.words_field, std::uint32_t(s.word_table));
    write_u32be(out + layout.size_field, std::uint32_t(s.total));

    // Phrase table: count, N + 1 offsets, then the references back to back.
    std::uint8_t* table = out + layout.header_size;
    const std::uint32_t cw = layout.count_width;
    write_table_field(table, cw, s.phrases);
    std::uint64_t offset = cw * (s.phrases + 2);
    for (std::uint32_t p = 0; p < s.phrases; ++p) {
        write_table_field(table + cw * (std::uint64_t(p) + 1), cw, offset);
        for (const WordEntry* word : db_phrase(db, p)->words) {
            const std::uint32_t ref = std::uint32_t(word->number) + 1;
            if (layout.ref_width == 1)
                table[offset] = std::uint8_t(ref);
            else
                write_u32be(table + offset, ref);
            offset += layout.ref_width;
        }
    }
    write_table_field(table + cw * (s.phrases + 1), cw, offset);

    // Word table: count, M + 1 offsets, then every word's audio.
    std::uint8_t* words = out + s.word_table;
    write_u32be(words, std::uint32_t(s.words));
    offset = 4 * s.words + 8;
    for (std::uint32_t w = 0; w < s.words; ++w) {
        const std::vector<std::uint8_t>& audio = db_word(db, w)->audio;
        write_u32be(words + 4 + 4 * std::uint64_t(w), std::uint32_t(offset));
        if (!audio.empty())
            std::memcpy(words + offset, audio.data(), audio.size());
        offset += audio.size();
    }
    write_u32be(words + 4 + 4 * s.words, std::uint32_t(offset));
    return image;
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

bool csf_build_image(const SpeechDb* db, std::vector<std::uint8_t>* image, char* err)
{
    if (db->format != DB_FORMAT_OLD && db->format != DB_FORMAT_MODERN) {
        error_set(err, "Unrecognized file format");
        return false;
    }
    *image = build(db, db->format);
    if (image->empty()) {
        // Only a database that outgrew its variant's fields gives no image.
        error_set(err, db->format == DB_FORMAT_OLD ? "Database too large for the old format" : "Error saving file");
        return false;
    }
    return true;
}

int db_write_file(const char* path, std::initializer_list<std::span<const std::uint8_t>> parts, char* err)
{
    switch (io_replace_file(path, parts)) {
    case IO_OK:
        return 1;
    case IO_OPEN_FAILED:
        error_set(err, "Unable to open output file");
        return 0;
    default:
        error_set(err, "Error saving file");
        return 0;
    }
}

int csf_save(const SpeechDb* db, const char* path, char* err)
{
    if (!path || !*path) {
        error_set(err, "Invalid output filename");
        return 0;
    }
    std::vector<std::uint8_t> image;
    if (!csf_build_image(db, &image, err))
        return 0;
    return db_write_file(path, {image}, err);
}
