// Reading CSF images: format detection and the parser.
//
// The parser treats every image as hostile: each count, table and offset is
// checked against the real image length (in 64-bit arithmetic) where it is
// read, before anything is allocated from it or read through it.
#include "db/csf.h"

#include "db/csf_layout.h"
#include "db/csf_phrase_table.h"
#include "db/load_budget.h"
#include "io/bytes.h"
#include "io/i18n.h"

#include <algorithm>
#include <cstring>

namespace {

// Every word. Current and saved audio are both slices of the file's bytes,
// so loading copies no audio; the offset table has already been checked to
// lie inside the image, which starts at `base` in `block`.
bool read_words(SpeechDb* db, const ByteBlock& block, std::size_t base, std::size_t size, std::uint64_t w,
                std::uint32_t m, std::vector<WordEntry*>* by_number, ErrorText* err)
{
    const std::uint8_t* image = block->data() + base;
    list_reserve(db->words, m);
    by_number->reserve(m);
    std::uint32_t start = 0;
    read_u32be(image, size, w + 4, &start);
    for (std::uint32_t k = 0; k < m; ++k) {
        std::uint32_t end = 0;
        read_u32be(image, size, w + 4 + 4 * (std::uint64_t(k) + 1), &end);
        if (end < start || !in_bounds(size, w + start, end - start)) {
            error_set(err, _("Invalid audio offset in word %d"), int(k));
            error_note_item(err, ErrorItem::Word, k, N_("Invalid audio offset"));
            return false;
        }
        auto word = std::make_unique<WordEntry>();
        word->number = k;
        word->audio = AudioBytes::slice(block, base + std::size_t(w + start), end - start);
        word->saved_audio = word->audio;
        by_number->push_back(db_append_word(db, std::move(word)));
        start = end;
    }
    return true;
}

// Every phrase, its references turned into word pointers. Words come
// first, so every reference can be checked against the word count.
bool read_phrases(SpeechDb* db, const std::uint8_t* image, std::size_t size, const CsfLayout& layout,
                  const std::vector<WordEntry*>& by_number, ErrorText* err)
{
    const std::uint64_t m = by_number.size();
    const std::span<const std::uint8_t> bytes(image, size);
    const std::optional<std::uint32_t> n = csf_phrase_count(bytes, layout);
    if (!n) {
        error_set(err, _("File is truncated"));
        return false;
    }
    list_reserve(db->phrases, *n);
    for (std::uint32_t p = 0; p < *n; ++p) {
        const auto [refs, count] = csf_phrase_span(bytes, layout, p);
        if (count > std::uint64_t(PHRASE_MAX_WORDS)) {
            error_set(err, _("Too many words in phrase %d"), int(p));
            error_note_item(err, ErrorItem::Phrase, p, N_("Too many words"));
            return false;
        }
        if (!in_bounds(size, refs, count * layout.ref_width)) {
            error_set(err, _("Invalid offset in phrase %d"), int(p));
            error_note_item(err, ErrorItem::Phrase, p, N_("Invalid offset"));
            return false;
        }
        auto phrase = std::make_unique<PhraseEntry>();
        phrase->words.reserve(count);
        for (std::uint64_t i = 0; i < count; ++i) {
            std::uint32_t b = 0;
            read_be(image, size, refs + layout.ref_width * i, layout.ref_width, &b);
            if (b == 0 || b > m) {
                error_set(err, _("Invalid word number in phrase %d"), int(p));
                error_note_item(err, ErrorItem::Phrase, p, N_("Invalid word number"));
                return false;
            }
            phrase->words.push_back(by_number[b - 1]);
        }
        db_append_phrase(db, std::move(phrase));
    }
    return true;
}

} // namespace

DbFormat csf_detect_format(const std::uint8_t* image, std::size_t size)
{
    std::uint32_t marker = 0;
    if (!read_u32be(image, size, CSF_OLD_LAYOUT.marker, &marker))
        return DB_FORMAT_UNKNOWN;
    if (marker == 1)
        return DB_FORMAT_OLD;
    // The version's NUL is the first byte of the big-endian 1 that follows.
    constexpr std::size_t version = sizeof CSF_MODERN_SIGNATURE;
    if (read_u32be(image, size, CSF_MODERN_LAYOUT.marker, &marker) && marker == 1
        && std::memcmp(image, CSF_MODERN_SIGNATURE, version) == 0
        && std::memcmp(image + version, CSF_MODERN_VERSION, sizeof CSF_MODERN_VERSION) == 0)
        return DB_FORMAT_MODERN;
    return DB_FORMAT_UNKNOWN;
}

SpeechDbPtr csf_parse(const std::uint8_t* image, std::size_t size, ErrorText* err)
{
    return csf_parse_block(byte_block_copy(image, size), 0, err);
}

SpeechDbPtr csf_parse_block(const ByteBlock& block, std::size_t base, ErrorText* err)
{
    if (!block || base > block->size()) {
        error_set(err, _("Unrecognized file format"));
        return nullptr;
    }
    const std::uint8_t* image = block->data() + base;
    const std::size_t size = block->size() - base;
    SpeechDbPtr db = db_new();
    db->format = csf_detect_format(image, size);
    if (db->format == DB_FORMAT_UNKNOWN) {
        error_set(err, _("Unrecognized file format"));
        return nullptr;
    }
    const CsfLayout& layout = csf_layout(db->format);
    if (size < layout.header_size) {
        error_set(err, _("File is truncated"));
        return nullptr;
    }

    for (std::uint32_t i = 0; i < 3 && image[layout.language + i] != 0; ++i)
        db->language_code[i] = char(image[layout.language + i]);
    db->flags = image[layout.flags];

    std::uint32_t phrase_table = 0;
    read_u32be(image, size, layout.phrases_field, &phrase_table);
    if (phrase_table != layout.header_size) {
        error_set(err, _("Invalid phrases table offset"));
        return nullptr;
    }

    std::uint32_t w = 0;
    std::uint32_t m = 0;
    read_u32be(image, size, layout.words_field, &w);
    if (!read_u32be(image, size, w, &m)) {
        error_set(err, _("Invalid words table offset"));
        return nullptr;
    }
    if (db->format == DB_FORMAT_OLD && m > CSF_OLD_MAX_WORDS) {
        // "To" is deliberate: users and their saved logs know this exact
        // wording, so it stays as it has always been.
        error_set(err, _("To many words in table"));
        return nullptr;
    }
    if (m == 0) {
        error_set(err, _("No words in file"));
        return nullptr;
    }
    if (!in_bounds(size, std::uint64_t(w) + 4, 4 * (std::uint64_t(m) + 1))) {
        error_set(err, _("Invalid words table offset"));
        return nullptr;
    }
    // Millions of empty entries would need dozens of times the file's
    // size: such a file is refused before any entry is made.
    if (!csf_load_fits(csf_load_cost(image, size, layout, m), size)) {
        error_set(err, _("Too many words and phrases for the size of the file"));
        return nullptr;
    }
    // Word pointers by number, so a million references cost a million
    // plain array reads.
    std::vector<WordEntry*> by_number;
    if (!read_words(db.get(), block, base, size, w, m, &by_number, err)
        || !read_phrases(db.get(), image, size, layout, by_number, err))
        return nullptr;

    const WordEntry* first = db_word(db.get(), 0);
    if (first->audio.size() >= 4 && std::memcmp(first->audio.data(), ".mp4", 4) == 0) {
        db->codec = CODEC_CELP;
        error_set(err, _("MPEG-4 CELP encoded audio not supported yet"));
        return nullptr;
    }
    db->codec = CODEC_ADPCM;
    db->sample_rate = PCM_SAMPLE_RATE;
    db->channels = PCM_CHANNELS;
    db->bits_per_sample = PCM_BITS_PER_SAMPLE;
    db->modified = false;
    return db;
}
