// The commands of tembrel-tool. Each gets its positional arguments (already
// counted by the dispatcher) and returns the process exit status.
#pragma once

#include "audio/adpcm_best.h"

struct ToolOptions {
    bool force = false;                // export: replace existing WAV files
    const char* phrase_text = nullptr; // play: the 1-based phrase number as given, or null
    AdpcmQuality quality = AdpcmQuality::STANDARD; // encode: plain encoder or search
};

int cmd_info(char** args, const ToolOptions& opts);
int cmd_dump(char** args, const ToolOptions& opts);
int cmd_export(char** args, const ToolOptions& opts);
int cmd_import(char** args, const ToolOptions& opts);
int cmd_save(char** args, const ToolOptions& opts);
int cmd_encode(char** args, const ToolOptions& opts);
int cmd_decode(char** args, const ToolOptions& opts);
int cmd_play(char** args, const ToolOptions& opts);
