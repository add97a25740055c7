// Fuzz target: any bytes as a CSF image. The parser must refuse or accept
// without reading outside the image; what it accepts must keep the model's
// invariants and survive a rebuild and a second parse unchanged.
#include "db/csf.h"
#include "fuzz/fuzz_target.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

namespace {

// The variant the first bytes announce, read here without the parser:
// a 32-bit 1 for the old one; the signature, the version "0002" and a
// 32-bit 1 at offset 20 for the modern one.
DbFormat announced_format(const std::uint8_t* data, std::size_t size)
{
    static constexpr std::uint8_t OLD_MARK[] = {0, 0, 0, 1};
    static constexpr char MODERN_MARK[] = "CSF OKI MSM6585\0" "0002" "\0\0\0\1";
    if (size >= sizeof OLD_MARK && std::memcmp(data, OLD_MARK, sizeof OLD_MARK) == 0)
        return DB_FORMAT_OLD;
    if (size >= sizeof MODERN_MARK - 1 && std::memcmp(data, MODERN_MARK, sizeof MODERN_MARK - 1) == 0)
        return DB_FORMAT_MODERN;
    return DB_FORMAT_UNKNOWN;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SpeechDbPtr db = fuzz_parse(csf_parse, data, size);
    if (!db)
        return 0;
    FUZZ_CHECK(db->format == announced_format(data, size), "accepted as another variant than announced");
    FUZZ_CHECK(db->modified == 0, "a loaded database is marked modified");
    fuzz_round_trip(db.get(), csf_parse, csf_build_image, false);
    return 0;
}
