// How fast the Phrases page shows a database of 65,535 phrases: from the
// reload to the first drawn rows, to a selected phrase with its word list
// drawn, the time to draw one frame while scrolling, and a click on "Use
// Aliases". Needs a display (run under xvfb-run); times are wall-clock and
// include the X server.
#include "bench/page_bench.h"
#include "db/operations.h"
#include "tests/unit/test_db.h"
#include "ui/phrases_page.h"
#include "ui/phrases_page_view.h"
#include "ui/test_hooks.h"
#include "ui/widgets.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <gtk/gtk.h>
#include <random>
#include <vector>

namespace {

constexpr int PHRASES = 65535;
constexpr int WORDS = 3000;

using namespace page_bench;

struct Fixture {
    GtkWidget* window = nullptr;
    SpeechDbPtr db;
    int phrase_exposes = 0;
    int word_exposes = 0;
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void set_up()
{
    Fixture& f = fixture();
    if (f.window)
        return;
    std::mt19937 rng(6);
    f.db = make_random_db(rng, DB_FORMAT_MODERN, WORDS, PHRASES, 8);
    // Some comments and aliases, so every column has something to draw.
    for (int p = 0; p < PHRASES; p += 3)
        phrase_set_comment(f.db.get(), p, "a comment of moderate length");
    for (int w = 0; w < WORDS; w += 2)
        word_set_alias(f.db.get(), w, ("alias_" + std::to_string(w)).c_str());

    f.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(f.window), 1000, 700);
    GtkWidget* notebook = gtk_notebook_new();
    gtk_container_add(GTK_CONTAINER(f.window), notebook);
    phrases_page_build(GTK_NOTEBOOK(notebook));
    const PhrasesPageWidgets& w = phrases_page_widgets();
    g_signal_connect_after(w.phrase_list, "expose-event", G_CALLBACK(on_expose), &f.phrase_exposes);
    g_signal_connect_after(w.word_list, "expose-event", G_CALLBACK(on_expose), &f.word_exposes);
    gtk_widget_show_all(f.window);
    run_pending();
}

// From the reload to the first rows drawn, then to a phrase far down the
// list selected with its word list drawn.
void BM_ReloadShowAndSelect(benchmark::State& state)
{
    set_up();
    Fixture& f = fixture();
    std::mt19937 rng(1);
    std::vector<double> rows_ms;
    std::vector<double> selected_ms;
    for (auto _ : state) {
        phrases_page_reload(nullptr);
        run_pending();
        const auto t0 = Clock::now();
        int before = f.phrase_exposes;
        phrases_page_reload(f.db.get());
        wait_for_expose(f.phrase_exposes, before);
        rows_ms.push_back(ms_since(t0));
        // A phrase with words, far from the top.
        int p = std::uniform_int_distribution<int>(PHRASES / 2, PHRASES - 1)(rng);
        while (phrase_word_count(f.db.get(), p) == 0)
            --p;
        before = f.word_exposes;
        phrases_page_show_phrase(p);
        wait_for_expose(f.word_exposes, before);
        run_pending();
        gdk_display_sync(gdk_display_get_default());
        selected_ms.push_back(ms_since(t0));
        if (phrases_page_selected_phrase() != p)
            state.SkipWithError("the phrase was not selected");
        state.SetIterationTime(selected_ms.back() / 1000.0);
    }
    state.counters["rows_shown_ms_max"] = *std::max_element(rows_ms.begin(), rows_ms.end());
    state.counters["selected_ms_max"] = *std::max_element(selected_ms.begin(), selected_ms.end());
}
BENCHMARK(BM_ReloadShowAndSelect)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// One scroll step of the phrase list to a random place, drawn: the time of
// one frame while the user drags the scroll bar.
void BM_ScrollFrame(benchmark::State& state)
{
    set_up();
    Fixture& f = fixture();
    phrases_page_reload(f.db.get());
    run_pending();
    GtkAdjustment* adj = gtk_tree_view_get_vadjustment(phrases_page_widgets().phrase_list);
    std::mt19937 rng(2);
    std::vector<double> frames;
    for (auto _ : state) {
        const double top = gtk_adjustment_get_upper(adj) - gtk_adjustment_get_page_size(adj);
        const double value = std::uniform_real_distribution<double>(0, top)(rng);
        const auto t0 = Clock::now();
        const int before = f.phrase_exposes;
        gtk_adjustment_set_value(adj, value);
        wait_for_expose(f.phrase_exposes, before);
        frames.push_back(ms_since(t0));
        state.SetIterationTime(frames.back() / 1000.0);
    }
    std::sort(frames.begin(), frames.end());
    state.counters["frame_ms_p50"] = frames[frames.size() / 2];
    state.counters["frame_ms_p99"] = frames[frames.size() * 99 / 100];
    state.counters["frame_ms_max"] = frames.back();
}
BENCHMARK(BM_ScrollFrame)->UseManualTime()->Iterations(300)->Unit(benchmark::kMillisecond);

// One click on "Use Aliases": from the click until the list is drawn again
// and the toolkit has handled what the click queued, every row's words
// now read the other way. No assistive technology runs here, so the list's
// rows are redrawn rather than announced one by one.
void BM_AliasesToggle(benchmark::State& state)
{
    set_up();
    Fixture& f = fixture();
    phrases_page_reload(f.db.get());
    run_pending();
    GtkButton* toggle = GTK_BUTTON(phrases_page_widgets().use_aliases);
    std::vector<double> clicks;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const int before = f.phrase_exposes;
        gtk_button_clicked(toggle);
        wait_for_expose(f.phrase_exposes, before);
        run_pending();
        clicks.push_back(ms_since(t0));
        state.SetIterationTime(clicks.back() / 1000.0);
    }
    state.counters["toggle_ms_max"] = *std::max_element(clicks.begin(), clicks.end());
}
BENCHMARK(BM_AliasesToggle)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// Building the store of 65,535 rows on its own.
void BM_NewStore(benchmark::State& state)
{
    for (auto _ : state) {
        GtkListStorePtr store = number_store_new(PHRASES);
        benchmark::DoNotOptimize(store.get());
    }
}
BENCHMARK(BM_NewStore)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return page_bench::run(argc, argv);
}
