// How the Phrases page looks: its layout, and how it fills its cells and
// sizes its columns. The stores hold only numbers; every text and mark is
// read from the database here, when a cell is drawn.
//
// The phrase list can hold 65,535 rows: it runs in fixed-height mode with
// fixed-width columns, so the tree view never measures rows it does not
// draw. So the page sizes the "Words" column itself: on reload and on the
// aliases switch from the longest text of all phrases, after an edit from
// the edited phrase, never narrower than its starting width and never
// shrinking between loads. The "Comment" column takes whatever width is
// left; a comment longer than that ends in an ellipsis and shows whole in
// its tooltip.
#include "ui/phrases_page_view.h"
#include "io/i18n.h"

#include "db/operations.h"
#include "ui/gtk_ptr.h"
#include "ui/key_burst.h"
#include "ui/play_session.h"
#include "ui/widgets.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Starting widths of the phrase list's columns; "Words" and "Comment" are
// widened to fit their longest texts.
constexpr int NUMBER_WIDTH = 50;
constexpr int WORDS_WIDTH = 320;
constexpr int COMMENT_WIDTH = 150;
constexpr int CHANGED_WIDTH = 50;
// Widest the page makes a column by itself; longer texts end in an ellipsis.
constexpr int MAX_COLUMN_WIDTH = 2000;
constexpr std::size_t NUMBER_TEXT_SIZE = 256;

// Cuts `text` to at most `size` - 1 bytes without splitting a character.
void cut_text(std::string& text, std::size_t size)
{
    if (text.size() < size)
        return;
    std::size_t len = size - 1;
    while (len > 0 && (static_cast<unsigned char>(text[len]) & 0xC0) == 0x80)
        --len;
    text.resize(len);
}

int text_width(const PhrasesView& view, const std::string& text, GtkCellRenderer* cell)
{
    GtkWidget* list = GTK_WIDGET(view.w.phrase_list);
    PangoLayout* layout = gtk_widget_create_pango_layout(list, make_valid(text.c_str()).get());
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    g_object_unref(layout);
    guint xpad = 0;
    g_object_get(cell, "xpad", &xpad, nullptr);
    int separator = 0;
    gtk_widget_style_get(list, "horizontal-separator", &separator, nullptr);
    return width + 2 * static_cast<int>(xpad) + separator + 4;
}

void widen_column(const PhrasesView& view, GtkTreeViewColumn* column, GtkCellRenderer* cell, const std::string& text,
    int minimum, bool grow_only)
{
    int width = std::clamp(text_width(view, text, cell), minimum, MAX_COLUMN_WIDTH);
    if (grow_only)
        width = std::max(width, gtk_tree_view_column_get_fixed_width(column));
    if (width != gtk_tree_view_column_get_fixed_width(column))
        gtk_tree_view_column_set_fixed_width(column, width);
}

std::string comment_text(const PhrasesView& view, std::uint32_t phrase)
{
    const char* comment = view.db ? phrase_comment(view.db, phrase) : nullptr;
    return comment ? comment : "";
}

// Decimal digits of `n`.
std::size_t digit_count(std::uint64_t n)
{
    std::size_t digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

// The length in bytes of phrases_view_words_text() for `phrase`, counted
// without building the text; anything from the cell's limit up counts as
// the limit.
std::size_t words_text_length(const SpeechDb* db, std::uint32_t phrase, bool use_aliases)
{
    std::size_t length = 0;
    const std::uint32_t count = phrase_word_count(db, phrase);
    for (std::uint32_t i = 0; i < count && length < PHRASES_PAGE_TEXT_SIZE; ++i) {
        const char* alias = use_aliases ? phrase_word_alias(db, phrase, i) : nullptr;
        if (alias) {
            length += 1 + std::strlen(alias);
            continue;
        }
        const std::uint32_t n = phrase_word_number(db, phrase, i);
        if (n != WORD_NONE)
            length += 1 + (use_aliases ? 1 : 0) + digit_count(std::uint64_t(n) + 1);
    }
    return std::min(length, PHRASES_PAGE_TEXT_SIZE);
}

// Sizes the "Words" column for the longest text of all phrases (longest
// in bytes stands in for widest, so only one text is measured). Up to
// 65,535 phrases are compared by length alone; only the longest one's text
// is built.
void fit_columns_to_all(const PhrasesView& view)
{
    std::size_t words_length = 0;
    std::uint32_t words_phrase = 0;
    const std::uint32_t count = view.db ? phrase_count(view.db) : 0;
    for (std::uint32_t p = 0; p < count; ++p) {
        const std::size_t length = words_text_length(view.db, p, view.use_aliases);
        if (length > words_length) {
            words_length = length;
            words_phrase = p;
        }
    }
    const std::string words = words_length ? phrases_view_words_text(view.db, words_phrase, view.use_aliases) : "";
    widen_column(view, view.w.words_column, view.w.words_renderer, words, WORDS_WIDTH, false);
}

// After an edit of phrase p: its words may have grown.
void fit_columns_to(const PhrasesView& view, std::uint32_t p)
{
    widen_column(view, view.w.words_column, view.w.words_renderer,
        phrases_view_words_text(view.db, p, view.use_aliases), WORDS_WIDTH, true);
}

// ---- cell data functions; `data` is the page's PhrasesView ----

const PhrasesView& view_of(gpointer data)
{
    return *static_cast<const PhrasesView*>(data);
}

void number_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer)
{
    char text[NUMBER_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(row_value(model, iter)) + 1);
    g_object_set(cell, "text", text, nullptr);
}

// The cell holds only what can show: the text is shaped whole to be drawn,
// and a phrase of long aliases would be shaped again on every row of every
// page passed.
void words_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer data)
{
    const PhrasesView& view = view_of(data);
    const std::size_t budget = phrases_view_words_budget(view);
    set_cell_text(cell, phrases_view_words_text(view.db, row_value(model, iter), view.use_aliases, budget).c_str());
}

void comment_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer data)
{
    set_cell_text(cell, comment_text(view_of(data), row_value(model, iter)).c_str());
}

void changed_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer data)
{
    const PhrasesView& view = view_of(data);
    const gboolean changed = view.db && phrase_is_changed(view.db, row_value(model, iter));
    g_object_set(cell, "visible", changed, "active", changed, nullptr);
}

// A row of the word list is a position in the phrase selected above.
void word_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer data)
{
    const PhrasesView& view = view_of(data);
    const std::optional<std::uint32_t> p = phrases_view_selected_phrase(view);
    const std::uint32_t pos = row_value(model, iter);
    std::string text;
    if (view.db && p) {
        const char* alias = view.use_aliases ? phrase_word_alias(view.db, *p, pos) : nullptr;
        const std::uint32_t n = phrase_word_number(view.db, *p, pos);
        if (alias)
            text = alias;
        else if (n != WORD_NONE)
            text = std::to_string(n + 1);
    }
    cut_text(text, PHRASES_PAGE_TEXT_SIZE);
    set_cell_text(cell, text.c_str());
}

// A comment cut short by its column shows whole in the tooltip of its cell.
gboolean show_comment_tooltip(const PhrasesView& view, GtkTreeView* list, GtkTooltip* tooltip, GtkTreePath* row,
    std::uint32_t phrase)
{
    const std::string comment = comment_text(view, phrase);
    GdkRectangle cell;
    gtk_tree_view_get_cell_area(list, row, view.w.comment_column, &cell);
    if (comment.empty() || text_width(view, comment, view.w.comment_renderer) <= cell.width)
        return FALSE;
    gtk_tooltip_set_text(tooltip, make_valid(comment.c_str()).get());
    gtk_tree_view_set_tooltip_cell(list, tooltip, row, view.w.comment_column, nullptr);
    return TRUE;
}

// The whole words text or comment of a phrase whose cell cannot show all
// of it, under the pointer or, from the keyboard, at the cursor.
gboolean on_phrase_list_query_tooltip(
    GtkWidget* widget, gint x, gint y, gboolean keyboard, GtkTooltip* tooltip, gpointer data)
{
    const PhrasesView& view = view_of(data);
    GtkTreeView* list = GTK_TREE_VIEW(widget);
    GtkTreeModel* model = nullptr;
    GtkTreePath* path = nullptr;
    GtkTreeIter iter;
    // A tooltip due from before the window was hidden (on the way out, with
    // the database going) is not shown.
    if (!view.db || !gtk_widget_get_mapped(widget)
        || !gtk_tree_view_get_tooltip_context(list, &x, &y, keyboard, &model, &path, &iter))
        return FALSE;
    TreePathPtr owned(path);
    GtkTreeViewColumn* column = nullptr;
    if (keyboard)
        gtk_tree_view_get_cursor(list, nullptr, &column);
    else
        gtk_tree_view_get_path_at_pos(list, x, y, nullptr, &column, nullptr, nullptr);
    if (column == view.w.comment_column)
        return show_comment_tooltip(view, list, tooltip, owned.get(), row_value(model, &iter));
    if (column != view.w.words_column)
        return FALSE;
    const std::string text = phrases_view_words_text(view.db, row_value(model, &iter), view.use_aliases);
    if (text_width(view, text, view.w.words_renderer) <= gtk_tree_view_column_get_width(column)
        && text.size() < PHRASES_PAGE_TEXT_SIZE - 1)
        return FALSE;
    // Without the leading blank the cell text starts with.
    gtk_tooltip_set_text(tooltip, make_valid(text.c_str() + (text.empty() ? 0 : 1)).get());
    gtk_tree_view_set_tooltip_cell(list, tooltip, owned.get(), column, nullptr);
    return TRUE;
}

// ---- layout ----

GtkTreeView* new_list()
{
    auto* list = GTK_TREE_VIEW(gtk_tree_view_new());
    gtk_tree_view_set_enable_search(list, FALSE);
    gtk_tree_selection_set_mode(gtk_tree_view_get_selection(list), GTK_SELECTION_SINGLE);
    return list;
}

GtkWidget* build_phrase_list(PhrasesView& view)
{
    PhrasesPageWidgets& w = view.w;
    GtkTreeView* list = new_list();
    w.phrase_list = list;
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(list)), _("Phrases"));
    enable_number_search(list);

    w.number_column
        = add_list_column(list, "#", gtk_cell_renderer_text_new(), 0.5, number_cell_data, &view, NUMBER_WIDTH);

    w.words_renderer = gtk_cell_renderer_text_new();
    g_object_set(w.words_renderer, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    w.words_column = add_list_column(list, _("Words"), w.words_renderer, 0.0, words_cell_data, &view, WORDS_WIDTH);
    gtk_tree_view_column_set_resizable(w.words_column, TRUE);

    w.comment_renderer = gtk_cell_renderer_text_new();
    g_object_set(w.comment_renderer, "editable", TRUE, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    w.comment_column
        = add_list_column(list, _("Comment"), w.comment_renderer, 0.0, comment_cell_data, &view, COMMENT_WIDTH);
    gtk_tree_view_column_set_expand(w.comment_column, TRUE);

    w.changed_renderer = gtk_cell_renderer_toggle_new();
    w.changed_column
        = add_list_column(list, _("Changed"), w.changed_renderer, 0.5, changed_cell_data, &view, CHANGED_WIDTH);

    // Every column is fixed, so rows need not be measured one by one.
    gtk_tree_view_set_fixed_height_mode(list, TRUE);
    key_burst_watch(GTK_WIDGET(list));
    gtk_widget_set_has_tooltip(GTK_WIDGET(list), TRUE);
    g_signal_connect(list, "query-tooltip", G_CALLBACK(on_phrase_list_query_tooltip), &view);
    return GTK_WIDGET(list);
}

GtkWidget* build_word_list(PhrasesView& view)
{
    PhrasesPageWidgets& w = view.w;
    GtkTreeView* list = new_list();
    w.word_list = list;
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(list)), _("Words in phrase"));
    gtk_tree_view_set_headers_visible(list, FALSE);
    w.word_renderer = gtk_cell_renderer_text_new();
    g_object_set(w.word_renderer, "editable", TRUE, nullptr);
    w.word_column = add_list_column(list, _("Word"), w.word_renderer, 0.0, word_cell_data, &view);
    key_burst_watch(GTK_WIDGET(list));
    return GTK_WIDGET(list);
}

GtkWidget* add_button(GtkWidget* box, const char* label)
{
    GtkWidget* button = gtk_button_new_with_mnemonic(label);
    gtk_box_pack_start(GTK_BOX(box), button, TRUE, TRUE, 0);
    return button;
}

GtkWidget* build_button_column(PhrasesPageWidgets& w)
{
    GtkWidget* column = gtk_vbox_new(FALSE, 0);
    auto button_box = [column] {
        GtkWidget* box = gtk_vbutton_box_new();
        gtk_box_pack_start(GTK_BOX(column), box, FALSE, FALSE, 3);
        return box;
    };
    w.play_box = button_box();
    w.play_phrase = add_button(w.play_box, _("Play Phra_se"));
    w.play_word = add_button(w.play_box, _("Play _Word"));
    w.stop = play_session_stop_button_new();
    gtk_box_pack_start(GTK_BOX(w.play_box), w.stop, TRUE, TRUE, 0);
    GtkWidget* save = button_box();
    w.save_phrase = add_button(save, _("Sa_ve Phrase…"));
    GtkWidget* go = button_box();
    w.go_to_word = add_button(go, _("_Go To Word"));
    GtkWidget* move = button_box();
    w.move_up = add_button(move, _("Move _Up"));
    w.move_down = add_button(move, _("Move _Down"));
    GtkWidget* edit = button_box();
    w.add_word = add_button(edit, _("_Add Word"));
    w.remove_word = add_button(edit, _("_Remove Word"));
    share_button_width(column);
    return column;
}

} // namespace

GtkWidget* phrases_view_build(PhrasesView& view)
{
    GtkWidget* vbox = gtk_vbox_new(FALSE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(vbox), 5);

    view.w.filter = filter_bar_new(_("F_ilter:"), _("Filter phrases"),
        _("Shows the phrases whose comment or word aliases contain what you type; #23 or w:23 shows the phrases "
          "that use word 23. Ctrl+F comes here, Escape empties it."));
    gtk_box_pack_start(GTK_BOX(vbox), view.w.filter.box, FALSE, FALSE, 3);

    // The phrase list above takes the height the window gains; the user
    // moves the line between the two parts.
    GtkWidget* pane = gtk_vpaned_new();
    gtk_widget_set_name(pane, PHRASES_PANE_NAME);
    gtk_box_pack_start(GTK_BOX(vbox), pane, TRUE, TRUE, 0);
    view.w.scrolled_phrase_list = scrolled_list(build_phrase_list(view));
    gtk_paned_pack1(GTK_PANED(pane), view.w.scrolled_phrase_list, TRUE, FALSE);
    GtkWidget* lower = gtk_vbox_new(FALSE, 0);
    gtk_paned_pack2(GTK_PANED(pane), lower, FALSE, FALSE);

    GtkWidget* hbox = gtk_hbox_new(FALSE, 0);
    gtk_box_pack_start(GTK_BOX(lower), hbox, TRUE, TRUE, 3);
    gtk_box_pack_start(GTK_BOX(hbox), scrolled_list(build_word_list(view)), TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(hbox), build_button_column(view.w), FALSE, FALSE, 10);
    gtk_box_pack_start(GTK_BOX(lower), waveform_build(view.wave), FALSE, FALSE, 3);

    gtk_box_pack_start(GTK_BOX(lower), gtk_hseparator_new(), FALSE, FALSE, 3);

    view.w.use_aliases = gtk_check_button_new_with_mnemonic(_("Use A_liases"));
    gtk_box_pack_start(GTK_BOX(lower), view.w.use_aliases, FALSE, FALSE, 0);
    return vbox;
}

int phrases_view_extra_height(const PhrasesView& view, int rows)
{
    GtkWidget* list = GTK_WIDGET(view.w.phrase_list);
    // A row is as high as a line of text in its cells.
    PangoLayout* layout = gtk_widget_create_pango_layout(list, "0");
    int line = 0;
    pango_layout_get_pixel_size(layout, nullptr, &line);
    g_object_unref(layout);
    guint ypad = 0;
    g_object_get(view.w.words_renderer, "ypad", &ypad, nullptr);
    int separator = 0;
    int focus_line = 0;
    gtk_widget_style_get(list, "vertical-separator", &separator, "focus-line-width", &focus_line, nullptr);
    GtkRequisition header;
    gtk_widget_size_request(list_column_header(view.w.number_column), &header);
    GtkRequisition now;
    gtk_widget_size_request(view.w.scrolled_phrase_list, &now);
    const int wanted = header.height + rows * (line + 2 * int(ypad) + 2 * focus_line + separator);
    return std::max(0, wanted - now.height);
}

std::optional<std::uint32_t> phrases_view_selected_phrase(const PhrasesView& view)
{
    return selected_row_value(view.w.phrase_list);
}

std::optional<std::uint32_t> phrases_view_selected_position(const PhrasesView& view)
{
    return selected_row_value(view.w.word_list);
}

void phrases_view_show_waveform(PhrasesView& view)
{
    const std::optional<std::uint32_t> p = phrases_view_selected_phrase(view);
    if (!view.db || !p) {
        waveform_show(view.wave, {}, 0, _("Waveform"));
        return;
    }
    std::vector<PcmSummaryPtr> parts;
    const std::uint32_t count = phrase_word_count(view.db, *p);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t n = phrase_word_number(view.db, *p, i);
        const WordEntry* word = n != WORD_NONE ? db_word(view.db, n) : nullptr;
        parts.push_back(word ? audio_summary(word->audio, view.db->sample_rate) : nullptr);
    }
    GCharPtr name(g_strdup_printf(_("Waveform of phrase %u"), *p + 1));
    waveform_show(view.wave, std::move(parts), view.db->sample_rate, name.get());
}

void phrases_view_update_buttons(const PhrasesView& view)
{
    const PhrasesPageWidgets& w = view.w;
    const std::optional<std::uint32_t> p = view.db ? phrases_view_selected_phrase(view) : std::nullopt;
    const std::optional<std::uint32_t> pos = p ? phrases_view_selected_position(view) : std::nullopt;
    const std::uint32_t n = p ? phrase_word_count(view.db, *p) : 0;
    // Why a button that needs a selection cannot act: the first thing
    // missing.
    const std::string no_phrase = view.db ? _("Select a phrase first.") : no_database_hint();
    const std::string no_word = !p ? no_phrase : std::string(_("Select a word of the phrase first."));
    auto with_word = [&](bool ok, const char* why) { return !pos ? no_word : ok ? std::string() : std::string(why); };

    set_button_state(w.play_phrase, p.has_value(), _("Plays the selected phrase word by word (Space)."), no_phrase);
    set_button_state(w.save_phrase, p.has_value(), _("Saves the selected phrase as one WAV file."), no_phrase);
    set_button_state(w.play_word, pos.has_value(), _("Plays the selected word of the phrase."), no_word);
    set_button_state(w.go_to_word, pos.has_value(), _("Shows the selected word on the Words page."), no_word);
    const bool up = pos && *pos != 0;
    const bool down = pos && *pos + 1 < n;
    const bool add = pos && n < std::uint32_t(PHRASE_MAX_WORDS);
    const bool remove = pos && n > 1;
    set_button_state(w.move_up, up, _("Moves the selected word one place earlier in the phrase."),
        with_word(up, _("The first word cannot move up.")));
    set_button_state(w.move_down, down, _("Moves the selected word one place later in the phrase."),
        with_word(down, _("The last word cannot move down.")));
    set_button_state(w.add_word, add, _("Inserts word 1 after the selected word; type another number or alias into it."),
        with_word(add, _("A phrase holds at most 32 words.")));
    set_button_state(w.remove_word, remove, _("Removes the selected word from the phrase."),
        with_word(remove, _("A phrase keeps at least one word.")));
    set_button_state(w.use_aliases, view.db != nullptr,
        _("Shows words by their aliases, and words without one as #6; off, every word shows as its number."),
        no_database_hint());
    gtk_widget_set_sensitive(w.filter.entry, view.db != nullptr);
}

void phrases_view_fit_columns(const PhrasesView& view, std::optional<std::uint32_t> phrase)
{
    if (phrase)
        fit_columns_to(view, *phrase);
    else
        fit_columns_to_all(view);
}

std::string phrases_view_words_text(
    const SpeechDb* db, std::uint32_t phrase, bool use_aliases, std::optional<std::size_t> max_chars)
{
    std::string text;
    if (!db)
        return text;
    // A character takes at most 4 bytes: enough is built to fill the budget.
    const std::size_t enough = max_chars ? std::min(PHRASES_PAGE_TEXT_SIZE, 4 * *max_chars + 4) : PHRASES_PAGE_TEXT_SIZE;
    const std::uint32_t count = phrase_word_count(db, phrase);
    std::uint32_t i = 0;
    for (; i < count && text.size() < enough; ++i) {
        const char* alias = use_aliases ? phrase_word_alias(db, phrase, i) : nullptr;
        if (alias) {
            text += ' ';
            text += alias;
            continue;
        }
        const std::uint32_t n = phrase_word_number(db, phrase, i);
        if (n == WORD_NONE)
            continue;
        // Beside aliases a bare number could pass for one: "#6" cannot.
        text += use_aliases ? " #" : " ";
        text += std::to_string(n + 1);
    }
    const std::size_t full = text.size();
    cut_text(text, PHRASES_PAGE_TEXT_SIZE);
    if (max_chars) {
        // Counted as the renderer will: a lead byte and its continuation
        // bytes make one character (a stray byte counts as one too).
        std::size_t end = 0;
        for (std::size_t chars = 0; end < text.size() && chars < *max_chars; ++chars)
            for (++end; end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80;)
                ++end;
        if (end < text.size() || i < count || full > text.size()) {
            text.resize(end);
            text += "…";
        }
    }
    return text;
}

std::size_t phrases_view_words_budget(const PhrasesView& view)
{
    GtkTreeView* list = view.w.phrase_list;
    GtkTreeViewColumn* column = view.w.words_column;
    // The part of the column that can be on screen: from its left edge to
    // the right edge of the list's visible area, and no wider than it is.
    int left = 0;
    GList* columns = gtk_tree_view_get_columns(list);
    for (GList* c = columns; c && c->data != column; c = c->next)
        if (gtk_tree_view_column_get_visible(GTK_TREE_VIEW_COLUMN(c->data)))
            left += gtk_tree_view_column_get_width(GTK_TREE_VIEW_COLUMN(c->data));
    g_list_free(columns);
    GdkRectangle visible {};
    gtk_tree_view_get_visible_rect(list, &visible);
    int width = gtk_tree_view_column_get_width(column);
    if (visible.width > 1)
        width = std::min(width, visible.x + visible.width - left);
    // Half the font's average character is narrower than any text of
    // words (aliases, numbers, blanks) averages, so the cut text still
    // overflows the cell and ends in the renderer's ellipsis.
    static GtkStyle* measured_style = nullptr;
    static int narrow = 0;
    GtkStyle* style = gtk_widget_get_style(GTK_WIDGET(list));
    if (style != measured_style || narrow <= 0) {
        PangoContext* context = gtk_widget_get_pango_context(GTK_WIDGET(list));
        PangoFontMetrics* metrics
            = pango_context_get_metrics(context, style ? style->font_desc : nullptr, pango_context_get_language(context));
        narrow = std::max(1, pango_font_metrics_get_approximate_char_width(metrics) / PANGO_SCALE / 2);
        pango_font_metrics_unref(metrics);
        measured_style = style;
    }
    return std::size_t(std::max(width, 0) / narrow) + 1;
}
