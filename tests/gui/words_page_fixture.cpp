// Shared set-up for the Words page GUI tests.
#include "tests/gui/words_page_fixture.h"

#include "audio/adpcm.h"
#include "tests/unit/test_db.h"

#include <algorithm>
#include <memory>
#include <random>

void WordsPageTest::TearDown()
{
    // The page lets go of the test's database before it is freed.
    words_page_reload(nullptr);
    db.reset();
    ShellTest::TearDown();
}

void WordsPageTest::load(SpeechDbPtr next)
{
    GtkNotebook* notebook = GTK_NOTEBOOK(shell_notebook());
    gtk_notebook_set_current_page(notebook, 0);
    words_page_reload(next.get());
    db = std::move(next);
    gtk_notebook_set_current_page(notebook, 1);
    pump_events();
}

SpeechDbPtr test_db(int words, const std::vector<std::vector<int>>& phrases, DbFormat format)
{
    std::vector<std::vector<std::uint8_t>> audio(static_cast<std::size_t>(words));
    for (std::size_t i = 0; i < audio.size(); ++i) {
        std::mt19937 rng(std::uint32_t(i) + 1);
        audio[i].resize(24);
        for (auto& b : audio[i])
            b = std::uint8_t(rng());
    }
    return make_db(format, audio, phrases);
}

std::vector<int> list_values(GtkTreeView* view)
{
    std::vector<int> values;
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    GtkTreeIter iter;
    for (bool ok = model && gtk_tree_model_get_iter_first(model, &iter); ok; ok = gtk_tree_model_iter_next(model, &iter)) {
        guint v = 0;
        gtk_tree_model_get(model, &iter, 0, &v, -1);
        values.push_back(int(v));
    }
    return values;
}

std::pair<bool, bool> toggle_shown(GtkTreeView* view, int row)
{
    return {cell_bool(view, 2, row, "visible"), cell_active(view, 2, row)};
}

void select_word(int row) { select_row(words_page_widgets().word_list, row); }
void select_usage(int row) { select_row(words_page_widgets().usage_list, row); }

std::vector<GtkWidget*> all_buttons()
{
    const WordsPageWidgets& b = words_page_widgets();
    return {b.play, b.replace, b.move_up, b.move_down, b.add, b.remove, b.save, b.play_phrase, b.play_all, b.go_to_phrase};
}

namespace {

GtkCellRenderer* renderer_of(int column)
{
    GList* cells =
        gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(gtk_tree_view_get_column(words_page_widgets().word_list, column)));
    auto* cell = GTK_CELL_RENDERER(cells->data);
    g_list_free(cells);
    return cell;
}

} // namespace

void edit_alias(int row, const char* text)
{
    select_word(row);
    commit_alias(row, text);
}

void commit_alias(int row, const char* text)
{
    std::string path = std::to_string(row);
    g_signal_emit_by_name(renderer_of(1), "edited", path.c_str(), text);
    pump_events();
}

void toggle_changed(int row)
{
    std::string path = std::to_string(row);
    g_signal_emit_by_name(renderer_of(2), "toggled", path.c_str());
    pump_events();
}

void show_other_page_and_back()
{
    GtkNotebook* notebook = GTK_NOTEBOOK(shell_notebook());
    gtk_notebook_set_current_page(notebook, 0);
    pump_events();
    gtk_notebook_set_current_page(notebook, 1);
    pump_events();
}

std::vector<int> played_sounds(const AlsaCapture& capture, const std::vector<std::vector<std::uint8_t>>& sounds)
{
    std::vector<std::uint8_t> raw = capture.bytes();
    std::vector<int> out;
    std::size_t pos = 0;
    while (pos < raw.size()) {
        int found = -1;
        for (std::size_t s = 0; s < sounds.size() && found < 0; ++s)
            if (!sounds[s].empty() && raw.size() - pos >= sounds[s].size() &&
                std::equal(sounds[s].begin(), sounds[s].end(), raw.begin() + std::ptrdiff_t(pos)))
                found = int(s);
        if (found < 0) {
            pos += 2;
            continue;
        }
        out.push_back(found);
        pos += sounds[std::size_t(found)].size();
    }
    return out;
}

std::vector<std::uint8_t> word_sound(const SpeechDb* db, int word)
{
    const WordEntry* w = db_word(db, std::uint32_t(word));
    return adpcm_decode(w->audio.data(), w->audio.size());
}

namespace {

void put_le(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(std::uint8_t(value >> (8 * i)));
}

} // namespace

void write_wav(const std::string& path, const std::vector<std::uint8_t>& samples, int channels, int rate, int bits)
{
    std::vector<std::uint8_t> f = {'R', 'I', 'F', 'F'};
    put_le(f, std::uint32_t(36 + samples.size()), 4);
    for (char c : std::string("WAVEfmt "))
        f.push_back(std::uint8_t(c));
    put_le(f, 16, 4);
    put_le(f, 1, 2);
    put_le(f, std::uint32_t(channels), 2);
    put_le(f, std::uint32_t(rate), 4);
    put_le(f, std::uint32_t(rate * channels * bits / 8), 4);
    put_le(f, std::uint32_t(channels * bits / 8), 2);
    put_le(f, std::uint32_t(bits), 2);
    for (char c : std::string("data"))
        f.push_back(std::uint8_t(c));
    put_le(f, std::uint32_t(samples.size()), 4);
    f.insert(f.end(), samples.begin(), samples.end());
    write_bytes(path, f);
}

namespace {

struct Injection {
    int remaining;
    std::function<void()> action;
    gulong handler = 0;
};

gboolean run_injection(gpointer data)
{
    std::unique_ptr<Injection> injection(static_cast<Injection*>(data));
    injection->action();
    return FALSE;
}

void on_usage_changed_for_injection(GtkTreeSelection* selection, gpointer data)
{
    auto* injection = static_cast<Injection*>(data);
    if (--injection->remaining > 0)
        return;
    g_signal_handler_disconnect(selection, injection->handler);
    g_idle_add(run_injection, injection);
}

} // namespace

void inject_at_usage_selection(int nth, std::function<void()> action)
{
    // Owned by the signal connection until it fires, then by the idle.
    auto injection = std::make_unique<Injection>(Injection{nth, std::move(action)});
    injection->handler = g_signal_connect(gtk_tree_view_get_selection(words_page_widgets().usage_list), "changed",
                                          G_CALLBACK(on_usage_changed_for_injection), injection.get());
    (void)injection.release();
}
