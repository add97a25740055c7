// Loading a database file and choosing its parser. Kept apart from both
// parsers so that the CSF reader never needs the project reader, which
// builds on it.
#include "db/load.h"

#include "db/csf.h"
#include "db/project.h"
#include "io/file_io.h"
#include "io/i18n.h"
#include "io/large_buffer.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t PROJECT_MIN_SIZE = 16;

// Once parsed, a file's bytes are read only through its words' audio: the
// phrase tables, comments and aliases before the audio (several megabytes
// in a database of many phrases) are copies in the model by now. Their
// pages go back to the system, so an open database costs its model and
// its audio, not its whole file besides.
void release_unread_bytes(const SpeechDb& db, const std::vector<std::uint8_t>& file)
{
    const std::uint8_t* const begin = file.data();
    const std::uint8_t* const end = begin + file.size();
    const std::uint8_t* low = end;
    const std::uint8_t* high = begin;
    for (const auto& word : list_items(db.words)) {
        // Loaded words hold the same slice as current and saved audio.
        const AudioBytes& audio = word->saved_audio;
        if (audio.empty())
            continue;
        if (audio.data() < begin || audio.end() > end)
            return; // not of this file: nothing is known to be unread
        low = std::min(low, audio.data());
        high = std::max(high, audio.end());
    }
    if (low >= high)
        return;
    buffer_release_pages({begin, low});
    buffer_release_pages({high, end});
}

} // namespace

SpeechDbPtr db_load_file(const char* path, ErrorText* err)
{
    if (!path || !*path) {
        // The full stop belongs to the message users know; keep it.
        error_set(err, _("Invalid file name."));
        return nullptr;
    }
    // The kind of file is known from its first bytes: anything that is
    // neither a project nor a CSF image is refused before the rest is read.
    const auto known = [](std::span<const std::uint8_t> head) {
        return head.size() <= 3 || (head.size() >= PROJECT_MIN_SIZE && std::memcmp(head.data(), "TBP1", 4) == 0)
            || csf_detect_format(head.data(), head.size()) != DB_FORMAT_UNKNOWN;
    };
    ReadResult file = io_read_file(path, known);
    if (file.status == IO_REJECTED) {
        error_set(err, _("Unrecognized file format"));
        return nullptr;
    }
    if (file.status == IO_OPEN_FAILED) {
        error_set(err, _("Failed to open '%s': %s"), path, std::strerror(file.error));
        return nullptr;
    }
    if (file.status != IO_OK) {
        error_set(err, _("Error reading '%s'"), path);
        return nullptr;
    }
    if (file.data.size() <= 3) {
        error_set(err, _("File '%s' is too small"), path);
        return nullptr;
    }
    // The database keeps the file's bytes: its words are slices of them.
    const auto block = std::make_shared<const std::vector<std::uint8_t>>(std::move(file.data));
    SpeechDbPtr db = db_parse_block(block, err);
    if (db)
        release_unread_bytes(*db, *block);
    return db;
}

SpeechDbPtr db_parse_buffer(const std::uint8_t* data, std::size_t size, ErrorText* err)
{
    return db_parse_block(byte_block_copy(data, size), err);
}

SpeechDbPtr db_parse_block(const ByteBlock& block, ErrorText* err)
{
    const std::size_t size = block ? block->size() : 0;
    if (size >= PROJECT_MIN_SIZE && std::memcmp(block->data(), "TBP1", 4) == 0)
        return project_parse_block(block, err);
    return csf_parse_block(block, 0, err);
}
