// The small dialog of Ctrl+G: asks for a phrase or word number (counted
// from 1) and hands back the 0-based number chosen.
#pragma once

#include <cstdint>
#include <optional>

// `title` names the dialog, `label` the field ("Phrase number:"); the
// number runs from 1 to `count` and starts at `current` + 1. None when
// cancelled or when there is nothing to go to.
std::optional<std::uint32_t> go_to_dialog_ask(
    const char* title, const char* label, std::uint32_t count, std::uint32_t current);
