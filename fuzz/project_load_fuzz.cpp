// Fuzz target: any bytes as a file the editor opens, through the same
// dispatch as loading from disk (project files by their magic, everything
// else as CSF). An accepted project must come back unchanged, comments and
// aliases included, after being written out again.
#include "db/csf.h"
#include "db/project.h"
#include "fuzz/fuzz_target.h"
#include "tests/unit/test_db.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    char err[ERROR_BUFFER_SIZE] = "";
    SpeechDbPtr db = db_parse_buffer(data, size, err);
    FUZZ_CHECK(bool(db_parse_buffer(data, size, nullptr)) == bool(db), "result depends on the error buffer");
    if (!db) {
        FUZZ_CHECK(err[0] != 0 && std::memchr(err, 0, sizeof err), "refusal without a message");
        return 0;
    }
    FUZZ_CHECK(db->modified == 0, "a loaded database is marked modified");
    const std::string broken = db_check_invariants(db.get());
    FUZZ_CHECK(broken.empty(), broken);

    std::vector<std::uint8_t> project;
    if (!project_build(db.get(), &project, err)) {
        FUZZ_CHECK(db->format == DB_FORMAT_OLD, err);
        return 0;
    }
    SpeechDbPtr again = db_parse_buffer(project.data(), project.size(), err);
    FUZZ_CHECK(again != nullptr, err);
    const std::string diff = db_compare_saved(db.get(), again.get(), true);
    FUZZ_CHECK(diff.empty(), diff);
    std::vector<std::uint8_t> rebuilt;
    FUZZ_CHECK(project_build(again.get(), &rebuilt, err) && rebuilt == project, "rebuilt project differs");
    return 0;
}
