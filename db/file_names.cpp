// Database file extensions and the export names of word recordings.
#include "db/file_names.h"

#include <cstdio>
#include <cstring>

namespace {

// True when `path` ends in `suffix` (lower case), ignoring ASCII letter
// case in `path`.
bool ends_with_lower(const char* path, const char* suffix)
{
    const std::size_t n = std::strlen(path);
    const std::size_t k = std::strlen(suffix);
    if (n < k)
        return false;
    for (std::size_t i = 0; i < k; ++i) {
        char c = path[n - k + i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

} // namespace

DbFileKind db_file_kind(const char* path)
{
    if (!path)
        return DbFileKind::None;
    if (ends_with_lower(path, ".csf"))
        return DbFileKind::Csf;
    if (ends_with_lower(path, ".tbp"))
        return DbFileKind::Project;
    return DbFileKind::None;
}

std::string word_export_name(std::uint32_t word)
{
    char name[32];
    std::snprintf(name, sizeof name, "%03u.wav", unsigned(word) + 1);
    return name;
}
