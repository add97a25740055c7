// The waveform view (waveform.h), drawn with cairo on expose.
#include "ui/waveform.h"

#include "io/i18n.h"
#include "ui/gtk_ptr.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int HEIGHT = 72;
constexpr double LABEL_SIZE = 10;

Waveform& wave_of(gpointer data)
{
    return *static_cast<Waveform*>(data);
}

int width_of(const Waveform& wave)
{
    GtkAllocation a;
    gtk_widget_get_allocation(wave.area, &a);
    return std::max(a.width, 1);
}

// The pixel column of frame `frame`.
double column_of(const Waveform& wave, std::size_t frame)
{
    return wave.frames ? double(frame) * width_of(wave) / double(wave.frames) : 0;
}

// The lowest and highest sample of frames [first, end) over every part
// they touch; `part` is where to start looking and moves along.
std::pair<int, int> range_of(const Waveform& wave, std::size_t first, std::size_t end, std::size_t& part)
{
    int low = 0;
    int high = 0;
    bool any = false;
    while (part + 1 < wave.parts.size() && wave.starts[part + 1] <= first)
        ++part;
    for (std::size_t p = part; p < wave.parts.size() && wave.starts[p] < end; ++p) {
        if (!wave.parts[p])
            continue;
        const std::size_t from = first > wave.starts[p] ? first - wave.starts[p] : 0;
        const auto [l, h] = pcm_summary_range(*wave.parts[p], from, end - wave.starts[p]);
        if (from >= wave.parts[p]->frames)
            continue;
        low = any ? std::min(low, int(l)) : l;
        high = any ? std::max(high, int(h)) : h;
        any = true;
    }
    return { low, high };
}

void draw_outline(const Waveform& wave, cairo_t* cr, int x0, int x1, int height)
{
    const double mid = height / 2.0;
    const double scale = (height / 2.0 - 1) / 32768.0;
    const int width = width_of(wave);
    std::size_t part = 0;
    // One whole-pixel box per column, filled at once without antialiasing:
    // the fastest thing cairo and the X server draw, so a long word's
    // outline costs about as much as a short one's.
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    for (int x = x0; x < x1; ++x) {
        const std::size_t first = std::size_t(double(x) * double(wave.frames) / width);
        const std::size_t end = std::max(first + 1, std::size_t(double(x + 1) * double(wave.frames) / width));
        const auto [low, high] = range_of(wave, first, end, part);
        const double top = std::floor(mid - high * scale);
        const double bottom = std::ceil(mid - low * scale) + 1;
        cairo_rectangle(cr, x, top, 1, bottom - top);
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

// A line at the start of every word but the first, and each word's
// position (counted from 1) at its top left.
void draw_boundaries(const Waveform& wave, cairo_t* cr, int height)
{
    if (wave.parts.size() < 2)
        return;
    cairo_set_font_size(cr, LABEL_SIZE);
    for (std::size_t p = 0; p < wave.parts.size(); ++p) {
        const double x = std::floor(column_of(wave, wave.starts[p])) + 0.5;
        if (p > 0) {
            cairo_move_to(cr, x, 0);
            cairo_line_to(cr, x, height);
            cairo_stroke(cr);
        }
        char label[24];
        std::snprintf(label, sizeof label, "%zu", p + 1);
        cairo_move_to(cr, x + 3, LABEL_SIZE + 1);
        cairo_show_text(cr, label);
    }
}

gboolean on_area_expose_event(GtkWidget* widget, GdkEventExpose* event, gpointer data)
{
    const Waveform& wave = wave_of(data);
    GtkAllocation a;
    gtk_widget_get_allocation(widget, &a);
    cairo_t* cr = gdk_cairo_create(gtk_widget_get_window(widget));
    gdk_cairo_rectangle(cr, &event->area);
    cairo_clip(cr);
    GtkStyle* style = gtk_widget_get_style(widget);
    gdk_cairo_set_source_color(cr, &style->base[GTK_STATE_NORMAL]);
    cairo_paint(cr);
    cairo_set_line_width(cr, 1);
    gdk_cairo_set_source_color(cr, &style->dark[GTK_STATE_NORMAL]);
    cairo_move_to(cr, event->area.x, a.height / 2 + 0.5);
    cairo_line_to(cr, event->area.x + event->area.width, a.height / 2 + 0.5);
    cairo_stroke(cr);
    if (wave.frames) {
        gdk_cairo_set_source_color(cr, &style->text[GTK_STATE_NORMAL]);
        draw_outline(wave, cr, event->area.x, std::min(a.width, event->area.x + event->area.width), a.height);
        gdk_cairo_set_source_color(cr, &style->bg[GTK_STATE_SELECTED]);
        draw_boundaries(wave, cr, a.height);
    }
    if (wave.cursor && wave.frames) {
        cairo_set_source_rgb(cr, 0.85, 0.1, 0.1);
        const double x = std::floor(column_of(wave, *wave.cursor)) + 0.5;
        cairo_move_to(cr, x, 0);
        cairo_line_to(cr, x, a.height);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    return TRUE;
}

gboolean on_area_button_press_event(GtkWidget*, GdkEventButton* event, gpointer data)
{
    Waveform& wave = wave_of(data);
    if (event->button != 1 || event->type != GDK_BUTTON_PRESS || !wave.frames || !wave.on_click)
        return FALSE;
    const double at = std::clamp(event->x / width_of(wave), 0.0, 1.0);
    const std::size_t frame = std::min(wave.frames - 1, std::size_t(at * double(wave.frames)));
    wave.on_click(frame);
    return TRUE;
}

// Redraws the columns around frame `frame`.
void redraw_column(const Waveform& wave, std::optional<std::size_t> frame)
{
    if (!frame || !wave.frames || !gtk_widget_get_realized(wave.area))
        return;
    GtkAllocation a;
    gtk_widget_get_allocation(wave.area, &a);
    const int x = int(column_of(wave, *frame));
    gtk_widget_queue_draw_area(wave.area, a.x + x - 1, a.y, 3, a.height);
}

} // namespace

GtkWidget* waveform_build(Waveform& wave)
{
    wave.area = gtk_drawing_area_new();
    gtk_widget_set_size_request(wave.area, -1, HEIGHT);
    gtk_widget_add_events(wave.area, GDK_BUTTON_PRESS_MASK);
    g_signal_connect(wave.area, "expose-event", G_CALLBACK(on_area_expose_event), &wave);
    g_signal_connect(wave.area, "button-press-event", G_CALLBACK(on_area_button_press_event), &wave);
    waveform_show(wave, {}, 0, _("Waveform"));
    return wave.area;
}

void waveform_show(Waveform& wave, std::vector<PcmSummaryPtr> parts, int sample_rate, const std::string& name)
{
    wave.parts = std::move(parts);
    wave.sample_rate = sample_rate;
    wave.starts.clear();
    wave.frames = 0;
    for (const PcmSummaryPtr& part : wave.parts) {
        wave.starts.push_back(wave.frames);
        wave.frames += part ? part->frames : 0;
    }
    wave.cursor.reset();
    AtkObject* accessible = gtk_widget_get_accessible(wave.area);
    atk_object_set_name(accessible, name.c_str());
    GCharPtr description(sample_rate > 0 && !wave.parts.empty()
            ? g_strdup_printf(_("%.1f s long"), double(wave.frames) / sample_rate)
            : g_strdup(""));
    atk_object_set_description(accessible, description.get());
    gtk_widget_queue_draw(wave.area);
}

void waveform_set_cursor(Waveform& wave, std::optional<std::size_t> frame)
{
    if (frame == wave.cursor)
        return;
    redraw_column(wave, wave.cursor);
    wave.cursor = frame;
    redraw_column(wave, wave.cursor);
}

std::pair<std::size_t, std::size_t> waveform_part_at(const Waveform& wave, std::size_t frame)
{
    if (wave.parts.empty())
        return { 0, 0 };
    std::size_t part = wave.parts.size() - 1;
    while (part > 0 && wave.starts[part] > frame)
        --part;
    return { part, frame - wave.starts[part] };
}
