// The Advanced page: the database format (read only), the three-letter
// language code and the eight flag bits of the header, edited in place.
// The page's state is one record, handed to every handler as its user data.
#include "ui/advanced_page.h"
#include "io/i18n.h"

#include "db/speech_db.h"
#include "ui/gtk_ptr.h"
#include "ui/widgets.h"

#include <array>
#include <memory>
#include <string>

namespace {

constexpr int FLAG_BITS = 8;
// Room around the table; the eight labelled flag boxes need the width.
constexpr int PAGE_BORDER = 24;

struct AdvancedPage {
    // Not owned. Null until the first reload and during each reload, so
    // the toggles a reload causes store nothing.
    SpeechDb* db = nullptr;
    GtkWidget* format_label = nullptr;
    GtkWidget* language_entry = nullptr;
    // What the entry was last given for the stored code; Enter on that
    // text is no edit.
    std::string shown_code;
    // Box 0 is bit 7: the row reads like the byte written out in binary.
    std::array<GtkWidget*, FLAG_BITS> flag_boxes {};
    GtkWidget* flags_label = nullptr;
    // Insensitive without a database: there is nothing to edit.
    GtkWidget* table = nullptr;
};

// The one instance, for the whole program.
AdvancedPage the_page;

AdvancedPage& page_of(gpointer data)
{
    return *static_cast<AdvancedPage*>(data);
}

int flags_from_boxes(const AdvancedPage& page)
{
    int v = 0;
    for (GtkWidget* box : page.flag_boxes)
        v = (v << 1) | (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)) ? 1 : 0);
    return v;
}

void on_flag_box_toggled(GtkToggleButton*, gpointer data)
{
    AdvancedPage& page = page_of(data);
    int v = flags_from_boxes(page);
    char text[8];
    g_snprintf(text, sizeof text, "%02X", v);
    gtk_label_set_text(GTK_LABEL(page.flags_label), text);
    if (page.db)
        db_set_flags(page.db, v);
}

// Shows the stored code. A header from a file may hold any bytes, but an
// entry takes only UTF-8, so bytes outside ASCII show as '?'.
void show_language_code(AdvancedPage& page, const SpeechDb* db)
{
    page.shown_code = db_language_code(db);
    for (char& c : page.shown_code)
        if (static_cast<unsigned char>(c) >= 0x80)
            c = '?';
    gtk_entry_set_text(GTK_ENTRY(page.language_entry), page.shown_code.c_str());
}

// Stores what the entry holds as the language code: trimmed, upper-cased,
// ASCII only, and only when the user typed something new. The entry then
// shows what was stored.
void store_typed_code(AdvancedPage& page)
{
    if (!page.db)
        return;
    GtkEntry* entry = GTK_ENTRY(page.language_entry);
    // The shown text may stand for other bytes; storing it back would
    // change the code although the user typed nothing.
    if (page.shown_code == gtk_entry_get_text(entry))
        return;
    GCharPtr ascii(g_convert(gtk_entry_get_text(entry), -1, "ASCII", "UTF-8", nullptr, nullptr, nullptr));
    if (ascii) {
        GCharPtr code(g_ascii_strup(g_strstrip(ascii.get()), -1));
        if (code.get()[0] != '\0')
            db_set_language_code(page.db, code.get());
    }
    show_language_code(page, page.db);
}

void on_language_entry_activate(GtkEntry* entry, gpointer data)
{
    AdvancedPage& page = page_of(data);
    if (!page.db)
        return;
    // A brief insensitive moment drops the keyboard focus's selection
    // highlight, a visible sign that Enter was taken.
    gtk_widget_set_sensitive(GTK_WIDGET(entry), FALSE);
    gtk_widget_set_sensitive(GTK_WIDGET(entry), TRUE);
    store_typed_code(page);
}

// A code typed and left without Enter is kept too: the entry shows it, so
// the user takes it as entered.
gboolean on_language_entry_focus_out_event(GtkWidget*, GdkEventFocus*, gpointer data)
{
    store_typed_code(page_of(data));
    return FALSE;
}

GtkWidget* right_label(const char* text)
{
    GtkWidget* label = gtk_label_new(text);
    gtk_misc_set_alignment(GTK_MISC(label), 1.0f, 0.5f);
    return label;
}

void attach(GtkWidget* table, GtkWidget* child, guint column, guint row)
{
    gtk_table_attach_defaults(GTK_TABLE(table), child, column, column + 1, row, row + 1);
}

} // namespace

const Page ADVANCED_PAGE = {
    .id = PageId::Advanced,
    .build = advanced_page_build,
    .reload = advanced_page_reload,
    .shown = advanced_page_shown,
    .playing = advanced_page_playing,
    .show_row = nullptr,
    .store_pending_edits = advanced_page_store_pending_edits,
    .refresh = advanced_page_refresh,
    .show_edit = nullptr,
    .word_changed = nullptr,
    .find = nullptr,
    .go_to_number = nullptr,
};

void advanced_page_build(GtkNotebook* notebook)
{
    // The shell may build the window more than once (the GUI tests do).
    the_page = AdvancedPage {};
    AdvancedPage& page = the_page;
    GtkWidget* vbox = gtk_vbox_new(FALSE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(vbox), PAGE_BORDER);

    GtkWidget* table = gtk_table_new(4, 2, FALSE);
    gtk_table_set_col_spacing(GTK_TABLE(table), 0, 10);
    gtk_table_set_row_spacings(GTK_TABLE(table), 3);
    gtk_box_pack_start(GTK_BOX(vbox), table, FALSE, FALSE, 3);

    page.format_label = gtk_label_new(" ");
    gtk_misc_set_alignment(GTK_MISC(page.format_label), 0.0f, 0.5f);
    attach(table, right_label(_("Database Format:")), 0, 0);
    attach(table, page.format_label, 1, 0);

    page.table = table;
    gtk_widget_set_sensitive(table, FALSE);
    gtk_widget_set_tooltip_text(table, no_database_hint());

    page.language_entry = gtk_entry_new();
    atk_object_set_name(gtk_widget_get_accessible(page.language_entry), _("Language code"));
    gtk_widget_set_tooltip_text(page.language_entry,
        _("The three-letter language code of the database; Enter stores it in upper case."));
    gtk_entry_set_max_length(GTK_ENTRY(page.language_entry), 3);
    gtk_entry_set_width_chars(GTK_ENTRY(page.language_entry), 4);
    g_signal_connect(page.language_entry, "activate", G_CALLBACK(on_language_entry_activate), &page);
    g_signal_connect(page.language_entry, "focus-out-event", G_CALLBACK(on_language_entry_focus_out_event), &page);
    GtkWidget* align = gtk_alignment_new(0.0f, 0.5f, 0.0f, 0.0f);
    gtk_container_add(GTK_CONTAINER(align), page.language_entry);
    GtkWidget* language_label = right_label(_("_Language Code:"));
    gtk_label_set_use_underline(GTK_LABEL(language_label), TRUE);
    gtk_label_set_mnemonic_widget(GTK_LABEL(language_label), page.language_entry);
    attach(table, language_label, 0, 2);
    attach(table, align, 1, 2);

    GtkWidget* flags_row = gtk_hbox_new(FALSE, 0);
    for (int i = 0; i < FLAG_BITS; ++i) {
        GtkWidget*& box = page.flag_boxes[std::size_t(i)];
        // Box 0 is the highest bit; "Bit _7" lets Alt+7 toggle it.
        const int bit = FLAG_BITS - 1 - i;
        box = gtk_check_button_new_with_mnemonic(printf_text(_("Bit _%d"), bit).c_str());
        gtk_widget_set_tooltip_text(
            box, printf_text(_("Bit %d of the header's flags byte (value 0x%02X)."), bit, 1u << bit).c_str());
        g_signal_connect(box, "toggled", G_CALLBACK(on_flag_box_toggled), &page);
        gtk_box_pack_start(GTK_BOX(flags_row), box, FALSE, FALSE, 0);
    }
    page.flags_label = gtk_label_new("00");
    gtk_widget_set_tooltip_text(page.flags_label, _("The flags byte in hexadecimal."));
    gtk_box_pack_start(GTK_BOX(flags_row), page.flags_label, FALSE, FALSE, 5);
    attach(table, right_label(_("Flags:")), 0, 3);
    attach(table, flags_row, 1, 3);

    gtk_notebook_append_page(notebook, vbox, gtk_label_new(_("Advanced")));
}

void advanced_page_reload(SpeechDb* db)
{
    AdvancedPage& page = the_page;
    page.db = nullptr;
    show_language_code(page, db);
    int flags = db_flags(db);
    for (int i = 0; i < FLAG_BITS; ++i)
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(page.flag_boxes[i]), (flags & (0x80 >> i)) != 0);
    gtk_label_set_text(GTK_LABEL(page.format_label), _(db_format_name(db)));
    gtk_widget_set_sensitive(page.table, TRUE);
    gtk_widget_set_tooltip_text(page.table, nullptr);
    page.db = db;
}

void advanced_page_shown()
{
}

void advanced_page_refresh()
{
    if (the_page.db)
        advanced_page_reload(the_page.db);
}

bool advanced_page_playing()
{
    return false;
}

void advanced_page_store_pending_edits()
{
    store_typed_code(the_page);
}
