// Shared set-up for the Words page GUI tests: the real main window with a
// test database handed to the page, and small helpers that read the page's
// lists and drive its widgets the way a user would.
#pragma once

#include "db/speech_db.h"
#include "tests/alsa_capture.h"
#include "tests/gui/gui_test_util.h"
#include "tests/gui/shell_fixture.h"
#include "ui/shell.h"
#include "ui/words_page.h"
#include "ui/words_page_view.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// The whole window, with the shell's temporary folder `dir`.
class WordsPageTest : public ShellTest {
protected:
    void TearDown() override;

    // Hands `db` to the page (as the shell does after an Open) and makes
    // the Words page current; the test keeps ownership.
    void load(SpeechDbPtr next);

    SpeechDbPtr db;
};

// `words` words with distinct audio (so their sounds can be told apart),
// and the given phrases of 0-based word numbers.
SpeechDbPtr test_db(int words, const std::vector<std::vector<int>>& phrases, DbFormat format = DB_FORMAT_MODERN);

std::vector<int> list_values(GtkTreeView* view);
// ("visible", "active") of the toggle in the "Changed" column.
std::pair<bool, bool> toggle_shown(GtkTreeView* view, int row);
void select_word(int row);
void select_usage(int row);
std::vector<GtkWidget*> all_buttons();
void edit_alias(int row, const char* text);
// The same without selecting the row first, which runs the main loop: an
// edit typed into the row that is already selected.
void commit_alias(int row, const char* text);
void toggle_changed(int row);
void show_other_page_and_back();

// The samples a capture collected, split into the sounds of `sounds`
// (indexes into it), skipping anything that is none of them.
std::vector<int> played_sounds(const AlsaCapture& capture, const std::vector<std::vector<std::uint8_t>>& sounds);

// The PCM that playing word `word` of `db` sends to the device.
std::vector<std::uint8_t> word_sound(const SpeechDb* db, int word);

// A canonical 44-byte-header WAV file; format fields as given.
void write_wav(const std::string& path, const std::vector<std::uint8_t>& samples, int channels = 1,
               int rate = 16000, int bits = 16);

// Runs `action` from an idle the next time the usage list's selection
// changes for the `nth` time (1-based) from now: inside Play All, that is
// in the pass of the main loop after it selected row nth - 1.
void inject_at_usage_selection(int nth, std::function<void()> action);
