// GUI tests of the word list's "Length" and "Level" columns: the values
// shown for sounds of known length and level, the header tooltips, the
// sort orders, and levels measured only for the rows that are drawn.
#include "audio/adpcm.h"
#include "db/operations.h"
#include "tests/gui/words_page_fixture.h"
#include "ui/audio_summary_cache.h"
#include "ui/gtk_ptr.h"
#include "ui/test_hooks.h"
#include "ui/words_page_columns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

constexpr int RATE = 16000;

std::vector<std::uint8_t> tone(double seconds, double amplitude)
{
    std::vector<std::uint8_t> pcm;
    for (int i = 0; i < int(seconds * RATE); ++i) {
        const auto s = std::int16_t(std::lround(amplitude * 32767 * std::sin(2 * M_PI * 997.0 * i / RATE)));
        pcm.push_back(std::uint8_t(s & 0xff));
        pcm.push_back(std::uint8_t((s >> 8) & 0xff));
    }
    return pcm;
}

// The words of the tests below, as (what, PCM, length text, level unit,
// level value): a 997 Hz tone of amplitude a measures about
// 20 log10(a) - 3 LUFS, and its peak is 20 log10(a) dBFS.
struct Sound {
    const char* what;
    std::vector<std::uint8_t> pcm;
    const char* length;
    const char* unit; // "LUFS", "dBFS" or "" (no audio)
    double level;
};

std::vector<Sound> sounds()
{
    return {
        { "2 s at -20 dB", tone(2, 0.1), "2.0 s", "LUFS", -23.0 },
        { "0.25 s at -6 dB, too short to measure", tone(0.25, 0.5), "0.2 s", "dBFS", -6.0 },
        { "1 s at -30 dB", tone(1, 0.0316), "1.0 s", "LUFS", -33.0 },
        { "no audio", {}, "", "", 0 },
        { "0.5 s at -40 dB", tone(0.5, 0.01), "0.5 s", "LUFS", -43.0 },
    };
}

SpeechDbPtr sounds_db()
{
    std::vector<std::vector<std::uint8_t>> audio;
    for (const Sound& s : sounds())
        audio.push_back(s.pcm.empty() ? std::vector<std::uint8_t>() : adpcm_encode(s.pcm.data(), s.pcm.size()));
    return make_db(DB_FORMAT_MODERN, audio, { { 0 } });
}

GtkTreeViewColumn* word_column(int n)
{
    return gtk_tree_view_get_column(words_page_widgets().word_list, n);
}
constexpr int NUMBER_COLUMN = 0;
constexpr int LENGTH_COLUMN = 3;
constexpr int LEVEL_COLUMN = 4;

std::string header_tooltip(int column)
{
    GCharPtr tip(gtk_widget_get_tooltip_text(gtk_tree_view_column_get_widget(word_column(column))));
    return tip ? tip.get() : "";
}

class WordsColumnsTest : public WordsPageTest {
protected:
    void SetUp() override
    {
        WordsPageTest::SetUp();
        load(sounds_db());
    }
};

TEST_F(WordsColumnsTest, LengthAndLevelOfKnownSounds)
{
    const std::vector<Sound> table = sounds();
    GtkTreeView* list = words_page_widgets().word_list;
    for (std::size_t w = 0; w < table.size(); ++w) {
        const Sound& s = table[w];
        SCOPED_TRACE(s.what);
        EXPECT_EQ(cell_text(list, LENGTH_COLUMN, int(w)), s.length);
        const std::string level = cell_text(list, LEVEL_COLUMN, int(w));
        double value = 0;
        char unit[16] = "";
        if (std::sscanf(level.c_str(), "%lf %15s", &value, unit) == 2) {
            EXPECT_STREQ(unit, s.unit);
            EXPECT_NEAR(value, s.level, 1.0) << level;
        } else {
            EXPECT_EQ(level, s.unit);
        }
    }
    EXPECT_NE(header_tooltip(LEVEL_COLUMN).find("LUFS"), std::string::npos);
    EXPECT_NE(header_tooltip(LEVEL_COLUMN).find("dBFS"), std::string::npos);
    EXPECT_NE(header_tooltip(LENGTH_COLUMN).find("seconds"), std::string::npos);
}

TEST_F(WordsColumnsTest, HeadersSortAndWordsAreFoundWhereverTheyAre)
{
    GtkTreeView* list = words_page_widgets().word_list;
    struct Case {
        int column;
        std::vector<int> order; // after the click
    };
    // No audio sorts first.
    const Case cases[] = {
        { LENGTH_COLUMN, { 3, 1, 4, 2, 0 } },
        { LENGTH_COLUMN, { 0, 2, 4, 1, 3 } }, // a second click turns it round
        { LEVEL_COLUMN, { 3, 4, 2, 0, 1 } },
        { NUMBER_COLUMN, { 0, 1, 2, 3, 4 } },
    };
    for (const Case& c : cases) {
        gtk_tree_view_column_clicked(word_column(c.column));
        pump_events();
        EXPECT_EQ(list_values(list), c.order) << "column " << c.column;
    }

    gtk_tree_view_column_clicked(word_column(LEVEL_COLUMN));
    pump_events();
    // Going to a word selects its row wherever the order put it, and the
    // page's actions act on that word.
    words_page_show_word(4);
    pump_events();
    EXPECT_EQ(words_page_selected_word(), 4);
    GtkTreePath* cursor = nullptr;
    gtk_tree_view_get_cursor(list, &cursor, nullptr);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(gtk_tree_path_get_indices(cursor)[0], 1);
    gtk_tree_path_free(cursor);
    click(words_page_widgets().move_up);
    EXPECT_EQ(words_page_selected_word(), 3) << "the moved word stays selected";
    EXPECT_EQ(words_columns_length_text(db.get(), 3), "0.5 s");

    // The order stays with the next database.
    load(sounds_db());
    EXPECT_EQ(list_values(list), (std::vector<int> { 3, 4, 2, 0, 1 }));
}

TEST_F(WordsPageTest, LevelsAreMeasuredOnlyForTheRowsDrawn)
{
    std::mt19937 rng(9);
    const std::size_t before = audio_summary_cache_computed();
    load(make_random_db(rng, DB_FORMAT_MODERN, 2000, 10, 4000));
    pump_for(200);
    const std::size_t measured = audio_summary_cache_computed() - before;
    EXPECT_GT(measured, 0u) << "the rows shown have their levels";
    EXPECT_LT(measured, 200u) << "rows that were never drawn are measured too";
}

} // namespace
