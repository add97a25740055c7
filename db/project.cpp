// Project files: writing the user's comments and aliases together with the
// CSF image, and reading them back.
#include "db/project.h"

#include "db/csf.h"
#include "db/csf_layout.h"
#include "io/bytes.h"
#include "io/i18n.h"
#include "io/large_buffer.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t PROJECT_HEADER_SIZE = 8;
constexpr char PROJECT_MAGIC[4] = {'T', 'B', 'P', '1'};

void append_record(std::vector<std::uint8_t>& out, std::uint32_t number, const std::string& text)
{
    append_be(&out, 4, number);
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

// Reads one section of records from `*pos`, all of which must lie before
// `limit` (the image offset), up to and including its end mark. `apply`
// receives each record's number and text. False when anything runs past.
template <typename Apply>
bool read_records(const std::uint8_t* data, std::size_t limit, std::size_t* pos, Apply apply)
{
    for (;;) {
        std::uint32_t number = 0;
        if (!read_u32be(data, limit, *pos, &number))
            return false;
        *pos += 4;
        if (number == PROJECT_END_MARK)
            return true;
        const void* nul = std::memchr(data + *pos, 0, limit - *pos);
        if (!nul)
            return false;
        const std::size_t length = std::size_t(static_cast<const std::uint8_t*>(nul) - (data + *pos));
        apply(number, std::string(reinterpret_cast<const char*>(data + *pos), length));
        *pos += length + 1;
    }
}

} // namespace

bool project_build_head(const SpeechDb* db, std::vector<std::uint8_t>* head, ErrorText* err)
{
    head->assign(PROJECT_HEADER_SIZE, 0);
    for (std::uint32_t p = 0; p < phrase_count(db); ++p)
        if (const auto& comment = db_phrase(db, p)->comment)
            append_record(*head, p, *comment);
    append_be(head, 4, PROJECT_END_MARK);
    for (std::uint32_t w = 0; w < word_count(db); ++w)
        if (const auto& alias = db_word(db, w)->alias)
            append_record(*head, w, *alias);
    append_be(head, 4, PROJECT_END_MARK);
    if (head->size() > 0xFFFFFFFFu) {
        error_set(err, _("Error saving file"));
        return false;
    }
    std::memcpy(head->data(), PROJECT_MAGIC, 4);
    write_u32be(head->data() + 4, std::uint32_t(head->size()));
    return true;
}

namespace {

// A whole project file as the pieces it is written from: the records,
// then the image's pieces, so the audio goes out straight from the words.
struct ProjectPieces {
    std::vector<std::uint8_t> head;
    CsfPieces image;
    std::vector<std::span<const std::uint8_t>> parts; // points into the above
};

bool build_pieces(const SpeechDb* db, ProjectPieces* pieces, ErrorText* err)
{
    if (!project_build_head(db, &pieces->head, err) || !csf_build_pieces(db, &pieces->image, err))
        return false;
    pieces->parts.reserve(pieces->image.parts.size() + 1);
    pieces->parts.emplace_back(pieces->head);
    pieces->parts.insert(pieces->parts.end(), pieces->image.parts.begin(), pieces->image.parts.end());
    return true;
}

} // namespace

bool project_build(const SpeechDb* db, std::vector<std::uint8_t>* out, ErrorText* err)
{
    ProjectPieces pieces;
    if (!build_pieces(db, &pieces, err))
        return false;
    *out = buffer_join(pieces.parts);
    return true;
}

SpeechDbPtr project_parse(const std::uint8_t* data, std::size_t size, ErrorText* err)
{
    return project_parse_block(byte_block_copy(data, size), err);
}

SpeechDbPtr project_parse_block(const ByteBlock& block, ErrorText* err)
{
    const std::uint8_t* data = block ? block->data() : nullptr;
    const std::size_t size = block ? block->size() : 0;
    std::uint32_t image_offset = 0;
    if (!read_u32be(data, size, 4, &image_offset) || image_offset < 2 * PROJECT_HEADER_SIZE
        || image_offset > size) {
        error_set(err, _("Invalid project file"));
        return nullptr;
    }
    SpeechDbPtr db = csf_parse_block(block, image_offset, err);
    if (!db)
        return nullptr;

    std::size_t pos = PROJECT_HEADER_SIZE;
    const auto set_comment = [&](std::uint32_t n, std::string text) {
        if (PhraseEntry* phrase = db_phrase(db.get(), n))
            phrase->comment = std::move(text);
    };
    const auto set_alias = [&](std::uint32_t n, std::string text) {
        if (WordEntry* word = db_word(db.get(), n))
            word->alias = std::move(text);
    };
    if (!read_records(data, image_offset, &pos, set_comment) || !read_records(data, image_offset, &pos, set_alias)) {
        error_set(err, _("Invalid project file"));
        return nullptr;
    }
    db->modified = false;
    return db;
}
