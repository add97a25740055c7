// Bounded formatting into an ErrorText.
#include "io/error_text.h"

#include <cstdarg>
#include <cstdio>

void error_set(ErrorText* err, const char* fmt, ...)
{
    if (!err)
        return;
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(err->text, sizeof err->text, fmt, args);
    va_end(args);
    err->item = ErrorItem::None;
    err->index = 0;
    err->reason = "";
    err->cause = 0;
}

void error_note_cause(ErrorText* err, int cause)
{
    if (err)
        err->cause = cause;
}

void error_note_item(ErrorText* err, ErrorItem item, std::uint32_t index, const char* reason)
{
    if (!err)
        return;
    err->item = item;
    err->index = index;
    err->reason = reason;
}
