// New files written into one folder together: all of them appear, or none.
//
// Each file is written into a hidden staging folder inside the target
// folder (registered for removal should a signal end the process), and only
// once every one of them is complete are they renamed into place. A name
// taken meanwhile is never replaced unless asked for; when any step fails,
// what was placed is taken back, and replaced files are restored. The
// staging folder is locked while its batch lives, so a batch killed without
// warning leaves one that the next batch in the same folder removes.
#pragma once

#include "io/file_io.h"

#include <memory>
#include <span>
#include <string>

struct FileBatchState;

class FileBatch {
public:
    // errno tells why when status() is not IO_OK.
    explicit FileBatch(const char* folder);
    ~FileBatch();
    FileBatch(const FileBatch&) = delete;
    FileBatch& operator=(const FileBatch&) = delete;

    IoStatus status() const;
    // Writes the file `name` (a plain name, no folder) of the batch.
    IoStatus add(const std::string& name, std::span<const std::span<const std::uint8_t>> parts);
    // Puts every added file in place. Without `replace`, IO_EXISTS when a
    // name is taken by anything; with it, only regular files are replaced.
    // On failure nothing of the batch remains and `failed` names the file.
    IoStatus commit(bool replace, std::string* failed);

private:
    std::unique_ptr<FileBatchState> state_;
};
