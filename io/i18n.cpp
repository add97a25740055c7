// Finds the message catalogs for the running program and binds them.
#include "io/i18n.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr const char* DOMAIN = "tembrel";

} // namespace

void i18n_init()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::filesystem::path dir = TEMBREL_BUILD_LOCALEDIR;
    if (!ec) {
        const std::filesystem::path installed = exe.parent_path().parent_path() / "share" / "locale";
        if (std::filesystem::is_directory(installed, ec))
            dir = installed;
    }
    bindtextdomain(DOMAIN, dir.c_str());
    bind_textdomain_codeset(DOMAIN, "UTF-8");
    textdomain(DOMAIN);
}
