// A waveform view: one word's sound, or the words of a phrase one after
// another with their boundaries marked and numbered. Each pixel column is
// drawn from the lowest to the highest sample it covers, read from the
// words' summaries (ui/audio_summary_cache.h), so drawing never touches
// the samples. A cursor shows how far a play has got; a click asks to play
// from the frame under the pointer.
#pragma once

#include "ui/audio_summary_cache.h"

#include <cstddef>
#include <functional>
#include <gtk/gtk.h>
#include <optional>
#include <string>
#include <vector>

struct Waveform {
    GtkWidget* area = nullptr;
    // The sounds shown, one after the other, and the frame each starts at.
    std::vector<PcmSummaryPtr> parts;
    std::vector<std::size_t> starts;
    std::size_t frames = 0;
    int sample_rate = 0;
    std::optional<std::size_t> cursor;
    // Called with the frame (counted over all parts) a click asks for.
    std::function<void(std::size_t frame)> on_click;
};

// Builds the drawing area into `wave.area` and returns it. The record must
// outlive the widget: its handlers get it as their user data.
GtkWidget* waveform_build(Waveform& wave);

// Shows `parts` (one per word; a null part shows as nothing) with the
// accessible name `name`, e.g. "Waveform of word 12"; the accessible
// description says how long it is. No parts shows an empty view.
void waveform_show(Waveform& wave, std::vector<PcmSummaryPtr> parts, int sample_rate, const std::string& name);

// Puts the play cursor at `frame` (counted over all parts), or removes it.
void waveform_set_cursor(Waveform& wave, std::optional<std::size_t> frame);

// The part that frame `frame` lies in and the frame within it; the last
// part for a frame at or past the end.
std::pair<std::size_t, std::size_t> waveform_part_at(const Waveform& wave, std::size_t frame);
