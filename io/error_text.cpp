// Bounded formatting into the shared error buffer.
#include "io/error_text.h"

#include <cstdarg>
#include <cstdio>

void error_set(char* err, const char* fmt, ...)
{
    if (!err)
        return;
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(err, ERROR_BUFFER_SIZE, fmt, args);
    va_end(args);
}
