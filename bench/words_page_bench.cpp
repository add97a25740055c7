// How fast the Words page shows a database of 2,000 words (from the
// reload to the first drawn rows), and how long one frame of a waveform
// takes to draw for a 30 s word, along with summarising that word once.
// Needs a display (run under xvfb-run); times are wall-clock and include
// the X server.
#include "bench/page_bench.h"
#include "audio/adpcm.h"
#include "audio/pcm_summary.h"
#include "tests/unit/test_db.h"
#include "ui/test_hooks.h"
#include "ui/waveform.h"
#include "ui/words_page.h"
#include "ui/words_page_view.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <gtk/gtk.h>
#include <random>
#include <vector>

namespace {

constexpr int WORDS = 2000;
constexpr int PHRASES = 65535;
constexpr int RATE = 16000;

using namespace page_bench;

GtkWidget* new_window(int width, int height)
{
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), width, height);
    return window;
}

// 30 s of speech-like sound: a tone whose loudness swells and fades.
std::vector<std::uint8_t> long_word_pcm()
{
    std::vector<std::uint8_t> pcm;
    for (int i = 0; i < 30 * RATE; ++i) {
        const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 0.7 * i / RATE);
        const auto s = std::int16_t(std::lround(12000 * envelope * std::sin(2 * M_PI * 220.0 * i / RATE)));
        pcm.push_back(std::uint8_t(s & 0xff));
        pcm.push_back(std::uint8_t((s >> 8) & 0xff));
    }
    return pcm;
}

// From the reload to the first rows of the word list drawn.
void BM_WordsPageFirstRows(benchmark::State& state)
{
    std::mt19937 rng(4);
    SpeechDbPtr db = make_random_db(rng, DB_FORMAT_MODERN, WORDS, PHRASES, 16000);
    GtkWidget* window = new_window(1000, 700);
    GtkWidget* notebook = gtk_notebook_new();
    gtk_container_add(GTK_CONTAINER(window), notebook);
    words_page_build(GTK_NOTEBOOK(notebook));
    int exposes = 0;
    g_signal_connect_after(words_page_widgets().word_list, "expose-event", G_CALLBACK(on_expose), &exposes);
    gtk_widget_show_all(window);
    run_pending();
    std::vector<double> shown;
    for (auto _ : state) {
        words_page_reload(nullptr);
        run_pending();
        const auto t0 = Clock::now();
        const int before = exposes;
        words_page_reload(db.get());
        wait_for_expose(exposes, before);
        shown.push_back(ms_since(t0));
        state.SetIterationTime(shown.back() / 1000.0);
    }
    state.counters["rows_shown_ms_max"] = *std::max_element(shown.begin(), shown.end());
    words_page_reload(nullptr);
    gtk_widget_destroy(window);
}
BENCHMARK(BM_WordsPageFirstRows)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// Decoding-free: the outline, peak and loudness of a 30 s sound, which the
// cache computes once per word.
void BM_Summarise30s(benchmark::State& state)
{
    const std::vector<std::uint8_t> pcm = long_word_pcm();
    for (auto _ : state)
        benchmark::DoNotOptimize(pcm_summarize(pcm, RATE));
}
BENCHMARK(BM_Summarise30s)->Unit(benchmark::kMillisecond);

// One frame of the waveform of a 30 s word, 1000 pixels wide, drawn.
void BM_WaveformFrame30s(benchmark::State& state)
{
    const std::vector<std::uint8_t> pcm = long_word_pcm();
    auto summary = std::make_shared<const PcmSummary>(pcm_summarize(pcm, RATE));
    Waveform wave;
    GtkWidget* window = new_window(1000, 100);
    gtk_container_add(GTK_CONTAINER(window), waveform_build(wave));
    gtk_widget_show_all(window);
    const auto limit = Clock::now() + std::chrono::seconds(30);
    while (!gdk_window_is_viewable(gtk_widget_get_window(wave.area)) && Clock::now() < limit)
        gtk_main_iteration_do(FALSE);
    run_pending();
    if (!gdk_window_is_viewable(gtk_widget_get_window(wave.area)))
        state.SkipWithError("the waveform was never shown");
    waveform_show(wave, { summary }, RATE, "Waveform of word 1");
    // The view draws in its own expose handler and ends the emission there,
    // so a frame is timed by drawing the queued area at once.
    std::vector<double> frames;
    std::size_t cursor = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        // A whole redraw, as after a resize or a new word, with the
        // cursor somewhere new.
        cursor = (cursor + 7919) % summary->frames;
        wave.cursor = cursor;
        gtk_widget_queue_draw(wave.area);
        gdk_window_process_updates(gtk_widget_get_window(wave.area), TRUE);
        gdk_display_sync(gdk_display_get_default());
        frames.push_back(ms_since(t0));
        state.SetIterationTime(frames.back() / 1000.0);
    }
    std::sort(frames.begin(), frames.end());
    state.counters["frame_ms_p50"] = frames[frames.size() / 2];
    state.counters["frame_ms_p99"] = frames[frames.size() * 99 / 100];
    gtk_widget_destroy(window);
}
BENCHMARK(BM_WaveformFrame30s)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return page_bench::run(argc, argv);
}
