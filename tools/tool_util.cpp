// Shared helpers of tembrel-tool.
#include "tools/tool_util.h"

#include "db/csf.h"
#include "db/project.h"

#include <cstdarg>
#include <cstdio>
#include <glib.h>
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
