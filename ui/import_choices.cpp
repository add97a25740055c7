// The import choices: their controls and their place in the settings file.
#include "ui/import_choices.h"
#include "io/i18n.h"

#include "audio/shaping.h"
#include "db/word_import.h"
#include "ui/settings.h"

#include <string>

namespace {

constexpr const char* GROUP = "import";

} // namespace

ImportChoices import_choices_load()
{
    ImportChoices c;
    c.trim = settings_get_bool(GROUP, "trim", false);
    c.level = settings_get_bool(GROUP, "level", false);
    c.quality = settings_get_string(GROUP, "quality", "standard") == "best" ? AdpcmQuality::BEST
                                                                             : AdpcmQuality::STANDARD;
    return c;
}

void import_choices_save(const ImportChoices& c)
{
    // A setting that cannot be written is simply not remembered.
    settings_set_bool(GROUP, "trim", c.trim);
    settings_set_bool(GROUP, "level", c.level);
    settings_set_string(GROUP, "quality", c.quality == AdpcmQuality::BEST ? "best" : "standard");
}

ImportChoiceWidgets import_choices_build(const ImportChoices& c)
{
    ImportChoiceWidgets w;
    w.box = gtk_vbox_new(FALSE, 4);
    w.trim = gtk_check_button_new_with_mnemonic(_("_Trim silence"));
    w.level = gtk_check_button_new_with_mnemonic(_("_Match loudness"));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.trim), c.trim);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.level), c.level);
    gtk_box_pack_start(GTK_BOX(w.box), w.trim, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(w.box), w.level, FALSE, FALSE, 0);

    GtkWidget* row = gtk_hbox_new(FALSE, 6);
    gtk_box_pack_start(GTK_BOX(row), gtk_label_new(_("Encoding quality:")), FALSE, FALSE, 0);
    w.standard = gtk_radio_button_new_with_mnemonic(nullptr, _("St_andard"));
    w.best = gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(w.standard), _("_Best"));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c.quality == AdpcmQuality::BEST ? w.best : w.standard), TRUE);
    gtk_box_pack_start(GTK_BOX(row), w.standard, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), w.best, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(w.box), row, FALSE, FALSE, 0);
    return w;
}

ImportChoices import_choices_read(const ImportChoiceWidgets& w)
{
    ImportChoices c;
    c.trim = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.trim));
    c.level = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.level));
    c.quality = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.best)) ? AdpcmQuality::BEST : AdpcmQuality::STANDARD;
    return c;
}

ImportOptions import_choices_options(const ImportChoices& c, const SpeechDb* db, bool convert)
{
    ImportOptions o;
    o.convert = convert;
    o.quality = c.quality;
    if (c.trim)
        o.trim_db = TRIM_DEFAULT_DB;
    if (c.level)
        o.level_lufs = db_median_loudness(db);
    return o;
}
