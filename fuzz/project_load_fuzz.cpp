// Fuzz target: any bytes as a file the editor opens, through the same
// dispatch as loading from disk (project files by their magic, everything
// else as CSF). An accepted project must come back unchanged, comments and
// aliases included, after being written out again.
#include "db/csf.h"
#include "db/load.h"
#include "db/project.h"
#include "fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SpeechDbPtr db = fuzz_parse(db_parse_buffer, data, size);
    if (!db)
        return 0;
    FUZZ_CHECK(db->modified == 0, "a loaded database is marked modified");
    fuzz_round_trip(db.get(), db_parse_buffer, project_build, true);
    return 0;
}
