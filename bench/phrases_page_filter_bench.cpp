// How fast the Phrases page filters 65,535 phrases: one keystroke into the
// filter entry, from the changed text to the list drawn with the matching
// rows, for the terms a user types (a comment being typed letter by
// letter, a word number, an alias, and emptying the entry again). Needs a
// display (run under xvfb-run); times are wall-clock and include the X
// server. The matching alone is measured too.
#include "bench/page_bench.h"
#include "db/operations.h"
#include "tests/unit/test_db.h"
#include "ui/list_filter.h"
#include "ui/phrases_page.h"
#include "ui/phrases_page_view.h"
#include "ui/test_hooks.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <gtk/gtk.h>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int PHRASES = 65535;
constexpr int WORDS = 3000;

using namespace page_bench;

struct Fixture {
    GtkWidget* window = nullptr;
    SpeechDbPtr db;
    int exposes = 0;
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
    const char* comments[] = { "turn left at the roundabout", "keep right", "in 300 metres", "Ausfahrt nehmen" };
    for (int p = 0; p < PHRASES; p += 2)
        phrase_set_comment(f.db.get(), p, comments[p % 4 / 2 + (p % 7 == 0 ? 2 : 0)]);
    for (int w = 0; w < WORDS; w += 2)
        word_set_alias(f.db.get(), w, ("alias_" + std::to_string(w)).c_str());

    f.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(f.window), 1000, 700);
    GtkWidget* notebook = gtk_notebook_new();
    gtk_container_add(GTK_CONTAINER(f.window), notebook);
    phrases_page_build(GTK_NOTEBOOK(notebook));
    g_signal_connect_after(phrases_page_widgets().phrase_list, "expose-event", G_CALLBACK(on_expose), &f.exposes);
    gtk_widget_show_all(f.window);
    phrases_page_reload(f.db.get());
    while (gtk_events_pending())
        gtk_main_iteration();
}

// Handles what the keystroke caused and draws the window: the list is on
// screen with its new rows when this returns. (An empty result may draw
// nothing new, so no expose is awaited.)
void draw_now()
{
    run_pending();
    gdk_window_process_all_updates();
    gdk_display_sync(gdk_display_get_default());
}

// What the entry holds after each keystroke, in the order typed.
std::vector<std::string> keystrokes()
{
    std::vector<std::string> texts;
    auto type = [&texts](const std::string& word) {
        for (std::size_t n = 1; n <= word.size(); ++n)
            texts.push_back(word.substr(0, n));
        for (std::size_t n = word.size(); n-- > 0;)
            texts.push_back(word.substr(0, n));
    };
    type("roundabout");
    type("#23");
    type("w:1500");
    type("alias_12");
    return texts;
}

int list_rows_shown()
{
    GtkTreeModel* model = gtk_tree_view_get_model(phrases_page_widgets().phrase_list);
    return model ? gtk_tree_model_iter_n_children(model, nullptr) : 0;
}

void BM_FilterKeystroke(benchmark::State& state)
{
    set_up();
    Fixture& f = fixture();
    GtkEntry* entry = GTK_ENTRY(phrases_page_widgets().filter.entry);
    const std::vector<std::string> texts = keystrokes();
    std::vector<double> times;
    std::size_t i = 0;
    draw_now();
    for (auto _ : state) {
        const std::string& text = texts[i++ % texts.size()];
        const int before = f.exposes;
        const auto t0 = Clock::now();
        gtk_entry_set_text(entry, text.c_str());
        draw_now();
        if (f.exposes == before && list_rows_shown() > 0)
            state.SkipWithError("the list was not drawn");
        times.push_back(ms_since(t0));
        state.SetIterationTime(times.back() / 1000.0);
    }
    std::sort(times.begin(), times.end());
    state.counters["keystroke_ms_p50"] = times[times.size() / 2];
    state.counters["keystroke_ms_p99"] = times[times.size() * 99 / 100];
    state.counters["keystroke_ms_max"] = times.back();
}
BENCHMARK(BM_FilterKeystroke)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

// The matching alone, for a comment term and a word number.
void BM_FilterRows(benchmark::State& state)
{
    set_up();
    const ListFilter filter = phrase_filter_parse(state.range(0) ? "#23" : "round");
    for (auto _ : state)
        benchmark::DoNotOptimize(phrase_filter_rows(fixture().db.get(), filter));
}
BENCHMARK(BM_FilterRows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return page_bench::run(argc, argv);
}
