// The word list's "Length" and "Level" columns and its sort orders
// (words_page_columns.h).
#include "ui/words_page_columns.h"

#include "audio/pcm_summary.h"
#include "db/operations.h"
#include "io/i18n.h"
#include "ui/audio_summary_cache.h"
#include "ui/gtk_ptr.h"
#include "ui/widgets.h"

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr int LENGTH_WIDTH = 70;
constexpr int LEVEL_WIDTH = 100;

const SpeechDb* db_of(gpointer data)
{
    return *static_cast<SpeechDb* const*>(data);
}

const WordEntry* word_of(const SpeechDb* db, std::uint32_t word)
{
    return db ? db_word(db, word) : nullptr;
}

// Seconds of sound in `word`'s audio: each ADPCM byte holds two samples.
std::optional<double> length_of(const SpeechDb* db, std::uint32_t word)
{
    const WordEntry* w = word_of(db, word);
    if (!w || w->audio.empty() || db->sample_rate <= 0)
        return std::nullopt;
    return 2.0 * double(w->audio.size()) / db->sample_rate;
}

std::optional<PcmLevel> level_of(const SpeechDb* db, std::uint32_t word)
{
    const WordEntry* w = word_of(db, word);
    if (!w || w->audio.empty())
        return std::nullopt;
    return pcm_summary_level(*audio_summary(w->audio, db->sample_rate));
}

void length_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer data)
{
    set_cell_text(cell, words_columns_length_text(db_of(data), row_value(model, iter)).c_str());
}

void level_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer data)
{
    set_cell_text(cell, words_columns_level_text(db_of(data), row_value(model, iter)).c_str());
}

// A column whose header carries `tooltip`: GTK 2 gives a column's header
// no tooltip of its own, so the title is a label that has one.
GtkTreeViewColumn* add_value_column(GtkTreeView* list, const char* title, const char* tooltip,
    GtkTreeCellDataFunc fill, gpointer data, int width, WordSort sort)
{
    GtkTreeViewColumn* column = add_list_column(list, title, gtk_cell_renderer_text_new(), 1.0f, fill, data, width);
    GtkWidget* label = gtk_label_new(title);
    gtk_widget_set_tooltip_text(label, tooltip);
    gtk_widget_show(label);
    gtk_tree_view_column_set_widget(column, label);
    gtk_tree_view_column_set_sort_column_id(column, int(sort));
    return column;
}

int compare_numbers(std::uint32_t a, std::uint32_t b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

// Words without audio first, then by the key; equal keys by word number,
// so the order is the same every time.
template <typename Key>
int compare_by(const SpeechDb* db, std::uint32_t a, std::uint32_t b, Key key)
{
    const std::optional<double> ka = db ? key(db, a) : std::nullopt;
    const std::optional<double> kb = db ? key(db, b) : std::nullopt;
    const double lowest = -std::numeric_limits<double>::infinity();
    const double va = ka.value_or(lowest);
    const double vb = kb.value_or(lowest);
    if (va != vb)
        return va < vb ? -1 : 1;
    if (ka.has_value() != kb.has_value())
        return ka ? 1 : -1;
    return compare_numbers(a, b);
}

std::optional<double> level_key(const SpeechDb* db, std::uint32_t word)
{
    const std::optional<PcmLevel> level = level_of(db, word);
    if (!level)
        return std::nullopt;
    // A silent word is quieter than any measured one.
    return level->silent ? -std::numeric_limits<double>::max() : level->value;
}

template <int SORT>
gint compare_rows(GtkTreeModel* model, GtkTreeIter* a, GtkTreeIter* b, gpointer data)
{
    const SpeechDb* db = db_of(data);
    const std::uint32_t wa = row_value(model, a);
    const std::uint32_t wb = row_value(model, b);
    switch (WordSort(SORT)) {
    case WordSort::Number:
        break;
    case WordSort::Length:
        return compare_by(db, wa, wb, length_of);
    case WordSort::Level:
        return compare_by(db, wa, wb, level_key);
    }
    return compare_numbers(wa, wb);
}

} // namespace

void words_columns_add(GtkTreeView* list, SpeechDb* const* db)
{
    gpointer data = const_cast<SpeechDb**>(db);
    add_value_column(list, _("Length"), _("How long the word sounds, in seconds"), length_cell_data, data,
        LENGTH_WIDTH, WordSort::Length);
    GCharPtr level_tip(g_strdup_printf(_("How loud the word is: its loudness in LUFS (EBU R 128) when it lasts at "
                                         "least %.1f s, otherwise its peak in dBFS"),
        PCM_LOUDNESS_MIN_SECONDS));
    add_value_column(list, _("Level"), level_tip.get(), level_cell_data, data, LEVEL_WIDTH, WordSort::Level);
}

void words_columns_set_sort_funcs(GtkTreeSortable* sortable, SpeechDb* const* db)
{
    gpointer data = const_cast<SpeechDb**>(db);
    gtk_tree_sortable_set_sort_func(sortable, int(WordSort::Number), compare_rows<int(WordSort::Number)>, data, nullptr);
    gtk_tree_sortable_set_sort_func(sortable, int(WordSort::Length), compare_rows<int(WordSort::Length)>, data, nullptr);
    gtk_tree_sortable_set_sort_func(sortable, int(WordSort::Level), compare_rows<int(WordSort::Level)>, data, nullptr);
}

std::string words_columns_length_text(const SpeechDb* db, std::uint32_t word)
{
    const std::optional<double> seconds = length_of(db, word);
    if (!seconds)
        return "";
    GCharPtr text(g_strdup_printf(_("%.1f s"), *seconds));
    return text.get();
}

std::string words_columns_level_text(const SpeechDb* db, std::uint32_t word)
{
    const std::optional<PcmLevel> level = level_of(db, word);
    if (!level)
        return "";
    if (level->silent)
        return _("silent");
    GCharPtr text(g_strdup_printf(level->lufs ? _("%.1f LUFS") : _("%.1f dBFS"), level->value));
    return text.get();
}
