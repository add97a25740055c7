// The commands of tembrel-tool. Each gets its positional arguments (already
// counted by the dispatcher) and returns the process exit status.
#pragma once

#include "audio/audio_import.h"

struct ToolOptions {
    bool force = false;                // export, export-phrase: replace existing WAV files
    const char* phrase_text = nullptr; // play: the 1-based phrase number as given, or null
    ImportOptions import;              // import, encode: conversion, shaping and encoder
    bool level_auto = false;           // import: level to the database's own words
};

int cmd_info(char** args, const ToolOptions& opts);
int cmd_dump(char** args, const ToolOptions& opts);
int cmd_export(char** args, const ToolOptions& opts);
int cmd_export_phrase(char** args, const ToolOptions& opts);
int cmd_import(char** args, const ToolOptions& opts);
int cmd_save(char** args, const ToolOptions& opts);
int cmd_encode(char** args, const ToolOptions& opts);
int cmd_decode(char** args, const ToolOptions& opts);
int cmd_play(char** args, const ToolOptions& opts);
