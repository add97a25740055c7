// The word list's "Length" and "Level" columns and the orders the user can
// sort the list in (by number, length or level). Both read the word's
// audio when a cell is drawn: the length from the size of its ADPCM bytes,
// the level from the word's summary (ui/audio_summary_cache.h), so a level
// is measured only once its row is shown or the list is sorted by it.
#pragma once

#include "db/speech_db.h"

#include <cstdint>
#include <gtk/gtk.h>
#include <string>

// The sort ids of the word list's sortable columns.
enum class WordSort : int {
    Number = 0,
    Length = 1,
    Level = 2,
};

// Appends "Length" and "Level" to `list`. `db` points at the page's
// database pointer, read afresh for every cell (null: nothing shown).
void words_columns_add(GtkTreeView* list, SpeechDb* const* db);

// Installs the three orders on a sort model of the word list.
void words_columns_set_sort_funcs(GtkTreeSortable* sortable, SpeechDb* const* db);

// What the cells show for `word`: its length in seconds with one decimal
// ("1.6 s"), and its loudness ("-23.0 LUFS") when it is long enough to be
// measured, otherwise its peak ("-6.0 dBFS"). Empty without audio.
std::string words_columns_length_text(const SpeechDb* db, std::uint32_t word);
std::string words_columns_level_text(const SpeechDb* db, std::uint32_t word);
