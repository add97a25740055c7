// The editor's remembered choices, one key file shared by every feature:
// $XDG_CONFIG_HOME/tembrel/settings.ini (~/.config when the variable is
// unset), groups and keys as GKeyFile writes them, e.g.
//   [import]
//   trim=true
//   quality=best
// Each read loads the file afresh and each write replaces it atomically, so
// settings written by another part of the editor are never lost. A missing
// or unreadable file, group or key gives the caller's default.
#pragma once

#include <string>
#include <utility>
#include <vector>

// The full path of the settings file, from the environment as it is now.
std::string settings_path();

bool settings_get_bool(const char* group, const char* key, bool fallback);
std::string settings_get_string(const char* group, const char* key, const char* fallback);
int settings_get_int(const char* group, const char* key, int fallback);

// False when the file could not be written; the setting is then not kept.
bool settings_set_bool(const char* group, const char* key, bool value);
bool settings_set_string(const char* group, const char* key, const char* value);
bool settings_set_int(const char* group, const char* key, int value);
// Several integers of one group in one write; nothing is written when each
// already has its value.
bool settings_set_ints(const char* group, const std::vector<std::pair<std::string, int>>& values);
