// The Record dialog (record_dialog.h). The capture runs on its own thread
// (audio/capture.h); a timeout on the dialog's loop reads how much has been
// recorded and how loud the latest period was, and moves the meter, the
// time and the status bar's recording message.
#include "ui/record_dialog.h"

#include "audio/adpcm.h"
#include "audio/capture.h"
#include "db/history.h"
#include "db/operations.h"
#include "io/i18n.h"
#include "ui/dialogs.h"
#include "ui/gtk_ptr.h"
#include "ui/play_session.h"
#include "ui/status_bar.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// How often the meter and the time move.
constexpr guint METER_MS = 50;
// The meter's scale: this many dB below full scale is an empty bar.
constexpr double METER_FLOOR_DB = -60;

std::vector<std::uint8_t> last_recording;

struct Recording {
    AudioCapture* capture = nullptr;
    std::uint32_t word = 0;
    int sample_rate = 0;
    GtkWidget* meter = nullptr;
    GtkWidget* time = nullptr;
};

std::string printed(const char* format, double value)
{
    GCharPtr text(g_strdup_printf(format, value));
    return text.get();
}

void show_level(GtkWidget* meter, int level)
{
    double fraction = 0;
    std::string text = _("Silence");
    if (level > 0) {
        const double db = 20 * std::log10(double(level) / 32768.0);
        fraction = std::clamp(1 - db / METER_FLOOR_DB, 0.0, 1.0);
        text = printed(_("%.0f dBFS"), db);
    }
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(meter), fraction);
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(meter), text.c_str());
}

gboolean on_meter_timeout(gpointer data)
{
    const Recording& r = *static_cast<Recording*>(data);
    const AudioCaptureStatus status = audio_capture_status(*r.capture);
    const double seconds = double(status.frames) / r.sample_rate;
    std::string text = printed(_("%.1f s"), seconds);
    if (status.ended && status.error < 0)
        text = printed(_("%.1f s (the recording device stopped)"), seconds);
    else if (status.ended)
        text = printed(_("%.1f s (the longest recording)"), seconds);
    gtk_label_set_text(GTK_LABEL(r.time), text.c_str());
    show_level(r.meter, status.ended ? 0 : status.level);
    GCharPtr bar(g_strdup_printf(_("Recording word %u (%.1f s)"), r.word + 1, seconds));
    status_bar_set(StatusContext::Recording, bar.get());
    return TRUE;
}

GtkWidget* build_dialog(Recording& r)
{
    GCharPtr title(g_strdup_printf(_("Record Word %u"), r.word + 1));
    GtkWidget* dialog = gtk_dialog_new_with_buttons(title.get(), dialogs_parent(),
        GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
        GTK_STOCK_MEDIA_STOP, GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    GtkWidget* box = gtk_vbox_new(FALSE, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 12);
    GCharPtr heading(g_strdup_printf(_("Recording word %u"), r.word + 1));
    gtk_box_pack_start(GTK_BOX(box), gtk_label_new(heading.get()), FALSE, FALSE, 0);
    r.meter = gtk_progress_bar_new();
    gtk_widget_set_size_request(r.meter, 280, -1);
    atk_object_set_name(gtk_widget_get_accessible(r.meter), _("Recording level"));
    gtk_box_pack_start(GTK_BOX(box), r.meter, FALSE, FALSE, 0);
    r.time = gtk_label_new(printed(_("%.1f s"), 0.0).c_str());
    gtk_box_pack_start(GTK_BOX(box), r.time, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), box, TRUE, TRUE, 0);
    show_level(r.meter, 0);
    gtk_widget_show_all(dialog);
    return dialog;
}

} // namespace

bool record_dialog_run(SpeechDb* db, std::uint32_t word)
{
    if (!db || word >= word_count(db) || !play_session_stop())
        return false;
    ErrorText err;
    AudioCapturePtr capture = audio_capture_start(db->sample_rate, &err);
    if (!capture) {
        GCharPtr message(g_strdup_printf(_("Unable to open the recording device\n%s"), err.c_str()));
        dialogs_show_error(message.get());
        return false;
    }
    const unsigned generation = play_session_generation();
    Recording r { capture.get(), word, db->sample_rate, nullptr, nullptr };
    GtkWidget* dialog = build_dialog(r);
    const guint timer = g_timeout_add(METER_MS, on_meter_timeout, &r);
    // Cancel, Escape and the window's close button all discard.
    const bool keep = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT;
    g_source_remove(timer);
    gtk_widget_destroy(dialog);
    status_bar_clear(StatusContext::Recording);
    std::vector<std::uint8_t> pcm = audio_capture_finish(*capture);
    capture.reset();
    // The dialog's loop may have seen the database replaced.
    if (!keep || pcm.empty() || generation != play_session_generation())
        return false;
    GCharPtr label(g_strdup_printf(_("Record Word %u"), word + 1));
    bool done = false;
    {
        HistoryGroup step(db, label.get());
        done = word_set_audio(db, word, AudioBytes(adpcm_encode(pcm.data(), pcm.size())));
    }
    if (done)
        last_recording = std::move(pcm);
    return done;
}

const std::vector<std::uint8_t>& record_dialog_last_recording()
{
    return last_recording;
}
