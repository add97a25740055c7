// File names the editor and tembrel-tool agree on: which kind of database
// file a name's extension says, and the name a word's recording is
// exported under. No toolkit here, so both can share it.
#pragma once

#include <cstdint>
#include <string>

enum class DbFileKind {
    None,
    Csf,     // ".csf": Save Audio
    Project, // ".tbp": Save Project
};

// The kind the name's extension says, in any letter case; None for any
// other name and for null.
DbFileKind db_file_kind(const char* path);

// "007.wav" for word 6 (0-based): the number counted from 1, at least three
// digits.
std::string word_export_name(std::uint32_t word);
