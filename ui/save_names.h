// What the save choosers suggest for the database: the current file's
// folder and name with the extension of the kind being saved, so that
// /data/voice.csf suggests voice.tbp (or voice.csf) in /data.
#pragma once

#include <string>

struct SuggestedName {
    std::string folder; // file-name encoding; empty: the chooser's own
    std::string name;   // UTF-8, as the chooser shows it
};

// `extension` with its dot (".tbp"); `fallback` is the name when there is
// no current file.
SuggestedName suggest_save_name(const std::string& file, const char* extension, const char* fallback);
