// Saves in two steps: a snapshot on the thread that owns the database, the
// write wherever the caller likes. csf_save and project_save are the two
// steps in one.
#include "db/save_snapshot.h"

#include "db/csf.h"
#include "db/csf_layout.h"
#include "db/history.h"
#include "db/project.h"
#include "io/file_io.h"
#include "io/i18n.h"

namespace {

// How many bytes a counted write hands to the system between two counts:
// small enough for a progress bar to move smoothly, large enough that the
// counting costs nothing.
constexpr std::uint64_t PROGRESS_STEP = std::uint64_t(1) << 20;

// Holds the audio the image's parts point into and adopts its tables.
void take_image(const SpeechDb* db, CsfPieces&& image, SaveSnapshot* out)
{
    out->tables = std::move(image.tables); // the buffer moves, the parts stay valid
    out->audio.reserve(word_count(db));
    for (std::uint32_t w = 0; w < word_count(db); ++w)
        out->audio.push_back(db_word(db, w)->audio);
    out->parts.insert(out->parts.end(), image.parts.begin(), image.parts.end());
}

} // namespace

std::uint64_t SaveSnapshot::size() const
{
    std::uint64_t total = 0;
    for (const auto& part : parts)
        total += part.size();
    return total;
}

bool csf_snapshot(const SpeechDb* db, SaveSnapshot* out, ErrorText* err)
{
    CsfPieces image;
    if (!csf_build_pieces(db, &image, err))
        return false;
    take_image(db, std::move(image), out);
    return true;
}

bool project_snapshot(const SpeechDb* db, SaveSnapshot* out, ErrorText* err)
{
    CsfPieces image;
    if (!project_build_head(db, &out->head, err) || !csf_build_pieces(db, &image, err))
        return false;
    out->parts.emplace_back(out->head);
    take_image(db, std::move(image), out);
    return true;
}

bool snapshot_write(const SaveSnapshot& snapshot, const char* path, ErrorText* err,
    std::atomic<std::uint64_t>* written)
{
    if (!path || !*path) {
        error_set(err, _("Invalid output filename"));
        return false;
    }
    if (!written)
        return io_replace_file(path, snapshot.parts, err);
    // The same write in pieces of about PROGRESS_STEP bytes, counting each.
    const auto write = [&snapshot, written](int fd) {
        written->store(0);
        const std::span<const std::span<const std::uint8_t>> parts = snapshot.parts;
        std::size_t first = 0;
        while (first < parts.size()) {
            std::size_t end = first;
            std::uint64_t bytes = 0;
            while (end < parts.size() && (end == first || bytes + parts[end].size() <= PROGRESS_STEP))
                bytes += parts[end++].size();
            if (!io_write_parts(fd, parts.subspan(first, end - first)))
                return false;
            written->fetch_add(bytes);
            first = end;
        }
        return true;
    };
    return io_report(io_replace_file_with(path, write), err);
}

bool csf_save(const SpeechDb* db, const char* path, ErrorText* err)
{
    if (!path || !*path) {
        error_set(err, _("Invalid output filename"));
        return false;
    }
    SaveSnapshot snapshot;
    return csf_snapshot(db, &snapshot, err) && snapshot_write(snapshot, path, err);
}

bool project_save(SpeechDb* db, const char* path, ErrorText* err)
{
    if (!path || !*path) {
        error_set(err, _("Invalid output filename"));
        return false;
    }
    SaveSnapshot snapshot;
    if (!project_snapshot(db, &snapshot, err) || !snapshot_write(snapshot, path, err))
        return false;
    // Undoing or redoing back to this step clears the mark again.
    history_mark_saved(db);
    return true;
}
