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

bool snapshot_write(const SaveSnapshot& snapshot, const char* path, ErrorText* err)
{
    if (!path || !*path) {
        error_set(err, _("Invalid output filename"));
        return false;
    }
    return io_replace_file(path, snapshot.parts, err);
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
