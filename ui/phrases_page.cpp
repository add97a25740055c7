// The Phrases page: the list of every phrase with its words, comment and
// changed mark, and below it the word list of the selected phrase with the
// buttons that play, reorder, add and remove its words.
//
// Both lists hold only numbers (a phrase number per row, a position per
// row); every text is read from the database when its cell is drawn, so an
// edit needs no more than a redraw. The phrase list can hold 65,535 rows:
// it runs in fixed-height mode with fixed-width columns, so the tree view
// never measures rows it does not draw.
#include "ui/phrases_page.h"

#include "db/operations.h"
#include "ui/phrases_page_cells.h"
#include "ui/play_session.h"
#include "ui/shell.h"
#include "ui/test_hooks.h"
#include "ui/widgets.h"

#include <cstring>
#include <limits>
#include <string>

namespace {

PhrasesPage& page = phrases_page_state();

// The value of the row a cell path names, or -1 when there is no such row.
long long row_value_at(GtkTreeView* view, const char* path)
{
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    GtkTreeIter iter;
    if (!model || !path || !gtk_tree_model_get_iter_from_string(model, &iter, path))
        return -1;
    return row_value(model, &iter);
}

int selected_phrase()
{
    return selected_row_value(page.w.phrase_list);
}
int selected_position()
{
    return selected_row_value(page.w.word_list);
}

void select_position_row(int n)
{
    select_row(page.w.word_list, n, false);
}

void redraw_lists()
{
    gtk_widget_queue_draw(GTK_WIDGET(page.w.phrase_list));
    gtk_widget_queue_draw(GTK_WIDGET(page.w.word_list));
}

void redraw_after_edit(std::uint32_t p)
{
    phrases_page_fit_columns(p);
    redraw_lists();
}

void update_phrase_buttons()
{
    // A play leaves the buttons as they were; its end sets them.
    if (phrases_page_playing())
        return;
    const int p = selected_phrase();
    const int w = selected_position();
    gtk_widget_set_sensitive(page.w.play_phrase, p >= 0);
    gtk_widget_set_sensitive(page.w.play_word, w >= 0);
    GtkWidget* const editing[]
        = { page.w.go_to_word, page.w.move_up, page.w.move_down, page.w.add_word, page.w.remove_word };
    if (w < 0 || p < 0) {
        for (GtkWidget* button : editing)
            gtk_widget_set_sensitive(button, FALSE);
        return;
    }
    const auto n = static_cast<int>(phrase_word_count(page.db, p));
    gtk_widget_set_sensitive(page.w.go_to_word, TRUE);
    gtk_widget_set_sensitive(page.w.move_up, w != 0);
    gtk_widget_set_sensitive(page.w.move_down, w < n - 1);
    gtk_widget_set_sensitive(page.w.add_word, n < PHRASE_MAX_WORDS);
    gtk_widget_set_sensitive(page.w.remove_word, n > 1);
}

void refresh_phrase_word_list()
{
    gtk_tree_view_set_model(page.w.word_list, nullptr);
    const int p = selected_phrase();
    if (p >= 0) {
        GtkListStorePtr store = number_store_new(phrase_word_count(page.db, p));
        gtk_tree_view_set_model(page.w.word_list, GTK_TREE_MODEL(store.get()));
    }
    update_phrase_buttons();
}

// ---- actions ----

// The selected phrase and position for a button action: false while a play
// runs or when either is missing.
bool action_target(int& p, int& w)
{
    if (play_session_active())
        return false;
    p = selected_phrase();
    w = selected_position();
    return p >= 0 && w >= 0;
}

// Plays phrase p word by word, selecting each word's row while it sounds
// (as long as the word list still shows p), then puts back the position
// the user had selected.
void play_phrase()
{
    const int p = selected_phrase();
    if (play_session_active() || p < 0)
        return;
    const int w0 = selected_position();
    const auto phrase = static_cast<std::uint32_t>(p);
    play_session_start({
        .owner = PageId::Phrases,
        .db = page.db,
        .grab = page.w.play_box,
        .show =
            [phrase](std::size_t i) {
                // The count is read at every step: a revert may change it.
                if (i >= phrase_word_count(page.db, phrase))
                    return PlayStep::Done;
                // Keys still reach the window during the play, so another
                // phrase may be selected by now: rows are selected only while
                // the word list still shows this one.
                if (selected_phrase() == int(phrase))
                    select_row(page.w.word_list, static_cast<int>(i), true);
                return PlayStep::Play;
            },
        .sound =
            [phrase](std::size_t i, PlayItem& item) {
                // Read after the events: an edit made meanwhile is what sounds.
                const int n = phrase_word_number(page.db, phrase, static_cast<std::uint32_t>(i));
                if (n < 0)
                    return PlayStep::Skip;
                item = { PlayItemKind::Word, static_cast<std::uint32_t>(n) };
                return PlayStep::Play;
            },
        .finished =
            [phrase, w0](PlayEnd) {
                if (selected_phrase() == int(phrase))
                    select_position_row(w0);
                update_phrase_buttons();
            },
    });
}

// Plays the word at the selected position; no grab, the page stays usable.
void play_word()
{
    int p = -1;
    int w = -1;
    if (!action_target(p, w) || phrase_word_number(page.db, p, w) < 0)
        return;
    const auto phrase = static_cast<std::uint32_t>(p);
    const auto position = static_cast<std::uint32_t>(w);
    play_session_start({
        .owner = PageId::Phrases,
        .db = page.db,
        .show = [](std::size_t i) { return i == 0 ? PlayStep::Play : PlayStep::Done; },
        .sound =
            [phrase, position](std::size_t, PlayItem& item) {
                // Read after the events: an edit made meanwhile is what sounds.
                const int n = phrase_word_number(page.db, phrase, position);
                if (n < 0)
                    return PlayStep::Skip;
                item = { PlayItemKind::Word, static_cast<std::uint32_t>(n) };
                return PlayStep::Play;
            },
        .finished = [](PlayEnd) { update_phrase_buttons(); },
    });
}

// Runs one edit of the selected position that moves the selection by
// `step` rows when it succeeds.
void move_word(bool (*move)(SpeechDb*, std::uint32_t, std::uint32_t), int step)
{
    int p = -1;
    int w = -1;
    if (!action_target(p, w) || !move(page.db, p, w))
        return;
    select_position_row(w + step);
    redraw_after_edit(p);
}

void add_word()
{
    int p = -1;
    int w = -1;
    if (!action_target(p, w) || !phrase_insert_word(page.db, p, w))
        return;
    number_store_set_rows(GTK_LIST_STORE(gtk_tree_view_get_model(page.w.word_list)), phrase_word_count(page.db, p));
    select_position_row(w + 1);
    redraw_after_edit(p);
}

void remove_word()
{
    int p = -1;
    int w = -1;
    if (!action_target(p, w) || !phrase_remove_word(page.db, p, w))
        return;
    const auto m = static_cast<int>(phrase_word_count(page.db, p));
    if (w == m)
        select_position_row(w - 1);
    number_store_set_rows(GTK_LIST_STORE(gtk_tree_view_get_model(page.w.word_list)), m);
    // Removing a row does not emit "changed" when the selection stays.
    update_phrase_buttons();
    redraw_after_edit(p);
}

// ---- signal handlers ----

void on_phrase_selection_changed(GtkTreeSelection*, gpointer)
{
    refresh_phrase_word_list();
}
void on_word_selection_changed(GtkTreeSelection*, gpointer)
{
    update_phrase_buttons();
}

void on_phrase_list_row_activated(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer)
{
    play_phrase();
}

// The edit applies to the row that was edited, which is the selected one.
void on_comment_edited(GtkCellRendererText*, gchar* path, gchar* text, gpointer)
{
    const long long p = row_value_at(page.w.phrase_list, path);
    if (p < 0 || !page.db)
        return;
    phrase_set_comment(page.db, p, text && *text ? text : nullptr);
    redraw_after_edit(p);
}

void on_changed_toggled(GtkCellRendererToggle*, gchar* path, gpointer)
{
    const long long p = row_value_at(page.w.phrase_list, path);
    if (p < 0 || !page.db)
        return;
    phrase_revert(page.db, p);
    refresh_phrase_word_list();
    redraw_after_edit(p);
}

void on_word_edited(GtkCellRendererText*, gchar* path, gchar* text, gpointer)
{
    const int p = selected_phrase();
    const long long w = row_value_at(page.w.word_list, path);
    if (!text || !page.db)
        return;
    std::string alias(std::strlen(text) + 1, '\0');
    long long number = 0;
    bool done = false;
    switch (parse_word_ref(text, alias.data(), alias.size(), &number)) {
    case WORD_REF_INVALID:
        return;
    case WORD_REF_ALIAS:
        if (!page.use_aliases || p < 0 || w < 0)
            return;
        done = phrase_set_word_by_alias(page.db, p, w, alias.c_str());
        break;
    case WORD_REF_NUMBER:
        // Numbers are typed counted from 1; anything that cannot be a word
        // number is refused here rather than wrapped into range.
        if (p < 0 || w < 0 || number < 1 || number > std::numeric_limits<std::int32_t>::max())
            return;
        done = phrase_set_word(page.db, p, w, static_cast<std::int32_t>(number - 1));
        break;
    }
    if (done)
        redraw_after_edit(p);
}

void on_play_phrase_clicked(GtkButton*, gpointer)
{
    play_phrase();
}
void on_play_word_clicked(GtkButton*, gpointer)
{
    play_word();
}
void on_move_up_clicked(GtkButton*, gpointer)
{
    move_word(phrase_move_word_up, -1);
}
void on_move_down_clicked(GtkButton*, gpointer)
{
    move_word(phrase_move_word_down, 1);
}
void on_add_word_clicked(GtkButton*, gpointer)
{
    add_word();
}
void on_remove_word_clicked(GtkButton*, gpointer)
{
    remove_word();
}

void on_go_to_word_clicked(GtkButton*, gpointer)
{
    int p = -1;
    int w = -1;
    if (!action_target(p, w))
        return;
    const int n = phrase_word_number(page.db, p, w);
    if (n >= 0)
        shell_go_to_word(n);
}

void on_use_aliases_clicked(GtkToggleButton* button, gpointer)
{
    page.use_aliases = gtk_toggle_button_get_active(button);
    phrases_page_fit_columns(-1);
    redraw_lists();
}

// ---- building ----

GtkWidget* build_phrase_list()
{
    GtkWidget* view = gtk_tree_view_new();
    auto* tv = GTK_TREE_VIEW(view);
    page.w.phrase_list = tv;
    gtk_tree_view_set_enable_search(tv, FALSE);

    page.w.number_column = add_list_column(
        tv, "#", gtk_cell_renderer_text_new(), 0.5, phrases_page_number_cell_data, PHRASES_PAGE_NUMBER_WIDTH);

    page.w.words_renderer = gtk_cell_renderer_text_new();
    g_object_set(page.w.words_renderer, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    page.w.words_column
        = add_list_column(tv, "Words", page.w.words_renderer, 0.0, phrases_page_words_cell_data, PHRASES_PAGE_WORDS_WIDTH);
    gtk_tree_view_column_set_resizable(page.w.words_column, TRUE);

    page.w.comment_renderer = gtk_cell_renderer_text_new();
    g_object_set(page.w.comment_renderer, "editable", TRUE, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    g_signal_connect(page.w.comment_renderer, "edited", G_CALLBACK(on_comment_edited), nullptr);
    page.w.comment_column = add_list_column(
        tv, "Comment", page.w.comment_renderer, 0.0, phrases_page_comment_cell_data, PHRASES_PAGE_COMMENT_WIDTH);
    gtk_tree_view_column_set_resizable(page.w.comment_column, TRUE);
    gtk_tree_view_column_set_expand(page.w.comment_column, TRUE);

    page.w.changed_renderer = gtk_cell_renderer_toggle_new();
    g_signal_connect(page.w.changed_renderer, "toggled", G_CALLBACK(on_changed_toggled), nullptr);
    page.w.changed_column = add_list_column(
        tv, "Changed", page.w.changed_renderer, 0.5, phrases_page_changed_cell_data, PHRASES_PAGE_CHANGED_WIDTH);

    // Every column is fixed, so rows need not be measured one by one.
    gtk_tree_view_set_fixed_height_mode(tv, TRUE);

    GtkTreeSelection* selection = gtk_tree_view_get_selection(tv);
    gtk_tree_selection_set_mode(selection, GTK_SELECTION_SINGLE);
    g_signal_connect(selection, "changed", G_CALLBACK(on_phrase_selection_changed), nullptr);
    g_signal_connect(view, "row-activated", G_CALLBACK(on_phrase_list_row_activated), nullptr);
    return view;
}

GtkWidget* build_word_list()
{
    GtkWidget* view = gtk_tree_view_new();
    auto* tv = GTK_TREE_VIEW(view);
    page.w.word_list = tv;
    gtk_tree_view_set_enable_search(tv, FALSE);
    gtk_tree_view_set_headers_visible(tv, FALSE);

    page.w.word_renderer = gtk_cell_renderer_text_new();
    g_object_set(page.w.word_renderer, "editable", TRUE, nullptr);
    g_signal_connect(page.w.word_renderer, "edited", G_CALLBACK(on_word_edited), nullptr);
    page.w.word_column = add_list_column(tv, "Word", page.w.word_renderer, 0.0, phrases_page_word_cell_data);

    GtkTreeSelection* selection = gtk_tree_view_get_selection(tv);
    gtk_tree_selection_set_mode(selection, GTK_SELECTION_SINGLE);
    g_signal_connect(selection, "changed", G_CALLBACK(on_word_selection_changed), nullptr);
    return view;
}

GtkWidget* add_button(GtkWidget* box, const char* label, GCallback handler)
{
    GtkWidget* button = gtk_button_new_with_label(label);
    gtk_box_pack_start(GTK_BOX(box), button, TRUE, TRUE, 0);
    g_signal_connect(button, "clicked", handler, nullptr);
    return button;
}

GtkWidget* build_button_column()
{
    GtkWidget* column = gtk_vbox_new(FALSE, 0);
    auto button_box = [column] {
        GtkWidget* box = gtk_vbutton_box_new();
        gtk_box_pack_start(GTK_BOX(column), box, FALSE, FALSE, 3);
        return box;
    };
    page.w.play_box = button_box();
    page.w.play_phrase = add_button(page.w.play_box, "Play Phrase", G_CALLBACK(on_play_phrase_clicked));
    page.w.play_word = add_button(page.w.play_box, "Play Word", G_CALLBACK(on_play_word_clicked));
    GtkWidget* go = button_box();
    page.w.go_to_word = add_button(go, "Go To Word", G_CALLBACK(on_go_to_word_clicked));
    GtkWidget* move = button_box();
    page.w.move_up = add_button(move, "Move Up", G_CALLBACK(on_move_up_clicked));
    page.w.move_down = add_button(move, "Move Down", G_CALLBACK(on_move_down_clicked));
    GtkWidget* edit = button_box();
    page.w.add_word = add_button(edit, "Add Word", G_CALLBACK(on_add_word_clicked));
    page.w.remove_word = add_button(edit, "Remove Word", G_CALLBACK(on_remove_word_clicked));
    return column;
}

} // namespace

void phrases_page_build(GtkNotebook* notebook)
{
    page = PhrasesPage {};

    GtkWidget* vbox = gtk_vbox_new(FALSE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(vbox), 5);

    gtk_box_pack_start(GTK_BOX(vbox), scrolled_list(build_phrase_list()), TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(vbox), gtk_hseparator_new(), FALSE, FALSE, 3);

    GtkWidget* hbox = gtk_hbox_new(FALSE, 0);
    gtk_box_pack_start(GTK_BOX(vbox), hbox, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(hbox), scrolled_list(build_word_list()), TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(hbox), build_button_column(), FALSE, FALSE, 10);

    gtk_box_pack_start(GTK_BOX(vbox), gtk_hseparator_new(), FALSE, FALSE, 3);

    page.w.use_aliases = gtk_check_button_new_with_label("Use Aliases");
    gtk_box_pack_start(GTK_BOX(vbox), page.w.use_aliases, FALSE, FALSE, 0);
    g_signal_connect(page.w.use_aliases, "clicked", G_CALLBACK(on_use_aliases_clicked), nullptr);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(page.w.use_aliases), page.use_aliases);

    gtk_notebook_append_page(notebook, vbox, gtk_label_new("Phrases"));
}

void phrases_page_reload(SpeechDb* db)
{
    // Installed before the new store: a fixed-height view measures its first
    // row as soon as it gets a model, and the old database is already gone.
    page.db = db;
    play_session_database_changed();
    phrases_page_fit_columns(-1);
    GtkListStorePtr store = number_store_new(db ? phrase_count(db) : 0);
    gtk_tree_view_set_model(page.w.phrase_list, GTK_TREE_MODEL(store.get()));
    refresh_phrase_word_list();
}

void phrases_page_show_phrase(std::uint32_t phrase)
{
    if (page.db)
        set_cursor_row(page.w.phrase_list, phrase, page.w.number_column);
}

bool phrases_page_playing()
{
    return play_session_playing(PageId::Phrases);
}

const PhrasesPageWidgets& phrases_page_widgets()
{
    return page.w;
}
int phrases_page_selected_phrase()
{
    return selected_phrase();
}
int phrases_page_selected_position()
{
    return selected_position();
}
