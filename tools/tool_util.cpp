// Shared helpers of tembrel-tool.
#include "tools/tool_util.h"

#include "db/csf.h"
#include "db/load.h"
#include "db/project.h"
#include "io/file_io.h"
#include "io/i18n.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <glib.h>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string tool_printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char* text = g_strdup_vprintf(format, args);
    va_end(args);
    std::string result = text;
    g_free(text);
    return result;
}

int tool_fail(const std::string& message)
{
    std::string line = message;
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::fprintf(stderr, "tembrel-tool: %s\n", line.c_str());
    return EXIT_FAILED;
}

namespace {

std::string current_activity;

} // namespace

void tool_doing(const std::string& out_of_memory_text)
{
    current_activity = out_of_memory_text;
}

const std::string& tool_activity()
{
    if (current_activity.empty())
        current_activity = _("Out of memory");
    return current_activity;
}

bool tool_output_named(const char* path)
{
    if (path && *path)
        return true;
    tool_fail(_("Invalid output filename"));
    return false;
}

const char* tool_output_path(const char* arg)
{
    return std::strcmp(arg, "-") == 0 ? "/dev/stdout" : arg;
}

SpeechDbPtr tool_load(const char* path, const char* shown)
{
    tool_doing(tool_printf(_("Out of memory while loading %s"), shown));
    ErrorText err;
    SpeechDbPtr db = db_load_file(path, &err);
    if (db)
        return db;
    // Messages about reading the file name it already; a parser's message
    // gets the name in front.
    const std::string message = err.text;
    if (message.find(path) != std::string::npos || message.find(shown) != std::string::npos)
        tool_fail(message);
    else
        tool_fail(tool_error_text(shown, err));
    return nullptr;
}

std::string tool_error_text(const char* shown, const ErrorText& err)
{
    // The library numbers entries from 0, as the file's tables do; the
    // tool's own output counts from 1, and so does what it says here.
    if (err.item == ErrorItem::Word)
        return std::string(shown) + ": " + tool_printf(_("word %u: %s"), err.index + 1, _(err.reason));
    if (err.item == ErrorItem::Phrase)
        return std::string(shown) + ": " + tool_printf(_("phrase %u: %s"), err.index + 1, _(err.reason));
    return io_failure_text(shown, err);
}

std::string tool_input_path(const char* arg)
{
    if (std::strcmp(arg, "-") != 0)
        return arg;
    struct stat st {};
    if (::fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode))
        return "/dev/stdin";
    const char* tmp = g_get_tmp_dir();
    // Kept open for the rest of the run; it has no name to clean up.
    const int fd = ::open(tmp, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        tool_fail(tool_printf(_("Unable to buffer standard input in %s (%s)"), tmp, g_strerror(errno)));
        return "";
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            break;
        if (n < 0 || ::write(fd, buf, std::size_t(n)) != n) {
            tool_fail(tool_printf(_("Error reading standard input (%s)"), g_strerror(errno)));
            return "";
        }
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

bool tool_parse_number(const char* text, std::uint32_t max, std::uint32_t* out)
{
    if (!text || !*text)
        return false;
    std::uint64_t value = 0;
    for (const char* p = text; *p; ++p) {
        if (!g_ascii_isdigit(*p))
            return false;
        value = value * 10 + std::uint64_t(*p - '0');
        if (value > max)
            return false;
    }
    if (value == 0)
        return false;
    *out = std::uint32_t(value);
    return true;
}

bool tool_save(SpeechDb* db, const char* path, DbFileKind kind, ErrorText* err)
{
    return kind == DbFileKind::Csf ? csf_save(db, path, err) : project_save(db, path, err);
}

Progress::Progress(const char* l, std::uint32_t t) : label(l), total(t), active(isatty(STDERR_FILENO) && t > 1) {}

void Progress::update(std::uint32_t done)
{
    if (active && (done == total || done % 16 == 0))
        std::fprintf(stderr, "\r%s %u/%u", label, done, total);
}

Progress::~Progress()
{
    if (active)
        std::fputc('\n', stderr);
}
