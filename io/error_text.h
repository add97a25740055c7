// The caller-owned error buffer that load, save and WAV operations fill
// with one line of text when they fail.
#pragma once

#include <cstddef>

constexpr std::size_t ERROR_BUFFER_SIZE = 1024;

// Formats a message into `err` (ERROR_BUFFER_SIZE bytes), cutting it to fit.
// A null buffer is allowed: callers that do not want the text pass null.
void error_set(char* err, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
