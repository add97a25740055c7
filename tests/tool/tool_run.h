// Running the built tembrel-tool as a script would, for the tool tests.
#pragma once

#include "db/speech_db.h"
#include "test_db.h"

#include <string>
#include <vector>

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs tembrel-tool with `args` and collects its exit status and output.
ToolRun tool(std::vector<std::string> args);

// Writes the CSF image of `db` as dir/name and returns the path.
std::string save_csf(const TempDir& dir, const SpeechDb* db, const char* name);
