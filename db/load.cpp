// Loading a database file and choosing its parser. Kept apart from both
// parsers so that the CSF reader never needs the project reader, which
// builds on it.
#include "db/load.h"

#include "db/csf.h"
#include "db/project.h"
#include "io/file_io.h"
#include "io/i18n.h"

#include <cstring>

namespace {

constexpr std::size_t PROJECT_MIN_SIZE = 16;

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
    return db_parse_block(std::make_shared<const std::vector<std::uint8_t>>(std::move(file.data)), err);
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
