// Fuzz target: any bytes as a CSF image. The parser must refuse or accept
// without reading outside the image; what it accepts must keep the model's
// invariants and survive a rebuild and a second parse unchanged.
#include "db/csf.h"
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
    SpeechDbPtr db = csf_parse(data, size, err);
    // The error buffer is optional; leaving it out must not change the result.
    FUZZ_CHECK(bool(csf_parse(data, size, nullptr)) == bool(db), "result depends on the error buffer");
    if (!db) {
        FUZZ_CHECK(err[0] != 0 && std::memchr(err, 0, sizeof err), "refusal without a message");
        return 0;
    }
    FUZZ_CHECK(db->format == csf_detect_format(data, size), "format");
    FUZZ_CHECK(db->codec == CODEC_ADPCM && db->sample_rate == 16000, "audio parameters");
    const std::string broken = db_check_invariants(db.get());
    FUZZ_CHECK(broken.empty(), broken);

    std::vector<std::uint8_t> image;
    if (!csf_build_image(db.get(), &image, err)) {
        // Only the old variant's 16-bit offsets can be outgrown by an image
        // whose phrases share their references.
        FUZZ_CHECK(db->format == DB_FORMAT_OLD, err);
        return 0;
    }
    SpeechDbPtr again = csf_parse(image.data(), image.size(), err);
    FUZZ_CHECK(again != nullptr, err);
    const std::string diff = db_compare_saved(db.get(), again.get(), false);
    FUZZ_CHECK(diff.empty(), diff);
    std::vector<std::uint8_t> rebuilt;
    FUZZ_CHECK(csf_build_image(again.get(), &rebuilt, err) && rebuilt == image, "rebuilt image differs");
    return 0;
}
