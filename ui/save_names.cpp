// The names the save choosers suggest.
#include "ui/save_names.h"

#include "ui/gtk_ptr.h"

#include <glib.h>

SuggestedName suggest_save_name(const std::string& file, const char* extension, const char* fallback)
{
    if (file.empty())
        return {{}, fallback};
    GCharPtr folder(g_path_get_dirname(file.c_str()));
    GCharPtr base(g_filename_display_basename(file.c_str()));
    std::string stem = base.get();
    // A leading dot names a hidden file rather than starting an extension.
    const std::size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0)
        stem.erase(dot);
    return {folder.get(), stem + extension};
}
