// Shared helpers for the GUI tests (see gui_test_util.h).
#include "gui_test_util.h"

#include "io/i18n.h"
#include "ui/gtk_ptr.h"
#include "ui/play_session.h"

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <gdk/gdkkeysyms.h>
#include <fstream>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

// glibc's counter of loaded catalogs: raising it makes gettext forget the
// translations it looked up before the language changed.
extern "C" int _nl_msg_cat_cntr;

namespace {

// The poll interval of the dialog answerer, and how many polls a chooser
// may take to show the file it was given before the test fails.
constexpr guint ANSWER_POLL_MS = 20;
constexpr int CHOOSER_SETTLE_POLLS = 250;
constexpr int CHOOSER_FOLDER_POLLS = 10;
constexpr int GTK_INIT_ATTEMPTS = 5;

char watchdog_test_name[256] = "(no test)";

struct Answerer {
    std::deque<DialogAnswer> queue;
    std::vector<SeenDialog> seen;
    guint source = 0;
    GtkWidget* choosing = nullptr; // chooser given a path, waiting for it to show
    int choosing_polls = 0;
    int folder_polls = 0;
};

Answerer answerer;

const char* const ANSWERED_KEY = "gui-test-answered";

void on_watchdog_alarm(int)
{
    const char head[] = "\nGUI test watchdog: the test did not finish in time (stuck in a dialog?): ";
    ssize_t ignored = write(STDERR_FILENO, head, sizeof head - 1);
    ignored = write(STDERR_FILENO, watchdog_test_name, std::strlen(watchdog_test_name));
    ignored = write(STDERR_FILENO, "\n", 1);
    (void)ignored;
    std::abort();
}

// The visible labels of a dialog's content, without its buttons.
std::string labels_text(GtkWidget* dialog)
{
    GtkWidget* buttons = gtk_dialog_get_action_area(GTK_DIALOG(dialog));
    std::string text;
    for (GtkWidget* w : find_all(gtk_dialog_get_content_area(GTK_DIALOG(dialog)), GTK_TYPE_LABEL)) {
        if (!gtk_widget_get_visible(w) || gtk_widget_is_ancestor(w, buttons))
            continue;
        if (!text.empty())
            text += '\n';
        text += gtk_label_get_text(GTK_LABEL(w));
    }
    return text;
}

SeenDialog describe(GtkWidget* dialog)
{
    SeenDialog seen;
    const char* title = gtk_window_get_title(GTK_WINDOW(dialog));
    seen.title = title ? title : "";
    seen.modal = gtk_window_get_modal(GTK_WINDOW(dialog));
    seen.transient_for = gtk_window_get_transient_for(GTK_WINDOW(dialog));
    // Left to right as drawn: the container's own order depends on how
    // the buttons were packed.
    std::vector<GtkWidget*> buttons = find_all(gtk_dialog_get_action_area(GTK_DIALOG(dialog)), GTK_TYPE_BUTTON);
    std::stable_sort(buttons.begin(), buttons.end(), [](GtkWidget* a, GtkWidget* b) {
        GtkAllocation aa, ba;
        gtk_widget_get_allocation(a, &aa);
        gtk_widget_get_allocation(b, &ba);
        return aa.x < ba.x;
    });
    for (GtkWidget* b : buttons) {
        const char* label = gtk_button_get_label(GTK_BUTTON(b));
        seen.buttons.push_back(label ? label : "");
    }
    if (GTK_IS_MESSAGE_DIALOG(dialog)) {
        seen.kind = "message";
        g_object_get(dialog, "message-type", &seen.message_type, nullptr);
        // What the labels show, not what the dialog was given.
        seen.text = labels_text(dialog);
    } else if (GTK_IS_FILE_CHOOSER(dialog)) {
        seen.kind = "chooser";
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
        seen.chooser_action = gtk_file_chooser_get_action(chooser);
        GCharPtr folder(gtk_file_chooser_get_current_folder(chooser));
        seen.folder = folder ? folder.get() : "";
        seen.overwrite_confirmation = gtk_file_chooser_get_do_overwrite_confirmation(chooser);
        if (seen.chooser_action == GTK_FILE_CHOOSER_ACTION_SAVE) {
            // The name entry is the chooser's only editable entry.
            for (GtkWidget* e : find_all(dialog, GTK_TYPE_ENTRY))
                if (gtk_widget_get_visible(e) && seen.current_name.empty())
                    seen.current_name = gtk_entry_get_text(GTK_ENTRY(e));
        }
    } else {
        seen.kind = "dialog";
        seen.text = labels_text(dialog);
    }
    return seen;
}

// A modal dialog the poller has not answered yet, or null.
GtkWidget* find_new_dialog()
{
    GListPtr toplevels(gtk_window_list_toplevels());
    for (GList* l = toplevels.get(); l; l = l->next) {
        GtkWidget* w = GTK_WIDGET(l->data);
        if (GTK_IS_DIALOG(w) && gtk_widget_get_mapped(w) && !g_object_get_data(G_OBJECT(w), ANSWERED_KEY))
            return w;
    }
    return nullptr;
}

bool chooser_shows(GtkWidget* dialog, const std::string& path)
{
    GCharPtr name(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog)));
    return name && path == name.get();
}

gboolean on_answer_poll(gpointer)
{
    if (answerer.choosing) {
        // A chooser shows a file only once it has read the folder; accept
        // it then, so the dialog returns exactly that file.
        GtkWidget* dialog = answerer.choosing;
        const std::string& path = answerer.queue.front().path;
        if (chooser_shows(dialog, path) || ++answerer.choosing_polls > CHOOSER_SETTLE_POLLS) {
            answerer.queue.pop_front();
            answerer.choosing = nullptr;
            gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
        }
        return TRUE;
    }
    GtkWidget* dialog = find_new_dialog();
    if (!dialog)
        return TRUE;
    if (answerer.queue.empty()) {
        // Nobody expected this one: fail now instead of waiting for the
        // watchdog, and close it so the code under test can go on.
        g_object_set_data(G_OBJECT(dialog), ANSWERED_KEY, GINT_TO_POINTER(1));
        SeenDialog seen = describe(dialog);
        ADD_FAILURE() << "unexpected " << seen.kind << " \"" << seen.title << "\": " << seen.text;
        answerer.seen.push_back(seen);
        send_delete_event(dialog);
        return TRUE;
    }
    // A chooser reports its folder only after it has switched to it; one
    // that was given no folder may report none at all (recent files).
    if (GTK_IS_FILE_CHOOSER(dialog) && answerer.folder_polls++ < CHOOSER_FOLDER_POLLS) {
        GCharPtr folder(gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog)));
        if (!folder)
            return TRUE;
    }
    answerer.folder_polls = 0;
    g_object_set_data(G_OBJECT(dialog), ANSWERED_KEY, GINT_TO_POINTER(1));
    answerer.seen.push_back(describe(dialog));

    const DialogAnswer& answer = answerer.queue.front();
    switch (answer.action) {
    case DialogAnswer::RESPOND: {
        int response = answer.response;
        if (answer.prepare)
            answer.prepare(dialog);
        answerer.queue.pop_front();
        gtk_dialog_response(GTK_DIALOG(dialog), response);
        break;
    }
    case DialogAnswer::CLOSE:
        answerer.queue.pop_front();
        send_delete_event(dialog);
        break;
    case DialogAnswer::DRIVE: {
        // Outside this poll, so that dialogs the driver opens get answered.
        struct Drive {
            std::function<void(GtkWidget*)> run;
            GtkWidget* dialog;
        };
        auto drive = std::make_unique<Drive>(Drive{answer.prepare, dialog});
        answerer.queue.pop_front();
        g_idle_add(
            [](gpointer data) -> gboolean {
                std::unique_ptr<Drive> d(static_cast<Drive*>(data));
                d->run(d->dialog);
                return FALSE;
            },
            drive.release());
        break;
    }
    case DialogAnswer::CHOOSE: {
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
        if (gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE) {
            GCharPtr folder(g_path_get_dirname(answer.path.c_str()));
            GCharPtr name(g_path_get_basename(answer.path.c_str()));
            gtk_file_chooser_set_current_folder(chooser, folder.get());
            gtk_file_chooser_set_current_name(chooser, name.get());
        } else {
            gtk_file_chooser_set_filename(chooser, answer.path.c_str());
        }
        answerer.choosing = dialog;
        answerer.choosing_polls = 0;
        break;
    }
    }
    return TRUE;
}

void reset_answerer()
{
    if (answerer.source)
        g_source_remove(answerer.source);
    answerer = Answerer {};
}

void destroy_leftover_dialogs()
{
    GListPtr toplevels(gtk_window_list_toplevels());
    for (GList* l = toplevels.get(); l; l = l->next)
        if (GTK_IS_DIALOG(l->data))
            gtk_widget_destroy(GTK_WIDGET(l->data));
}

gboolean on_settle_timeout(gpointer data)
{
    *static_cast<bool*>(data) = true;
    gtk_main_quit();
    return FALSE;
}

struct LoopRun {
    const std::function<void()>* action;
    unsigned settle_ms;
    bool timed_out = false;
    guint settle_source = 0;
};

gboolean on_run_action_idle(gpointer data)
{
    auto* run = static_cast<LoopRun*>(data);
    (*run->action)();
    run->settle_source = g_timeout_add(run->settle_ms, on_settle_timeout, &run->timed_out);
    return FALSE;
}

void collect(GtkWidget* widget, gpointer data)
{
    auto* state = static_cast<std::pair<GType, std::vector<GtkWidget*>>*>(data);
    if (G_TYPE_CHECK_INSTANCE_TYPE(widget, state->first))
        state->second.push_back(widget);
    if (GTK_IS_CONTAINER(widget))
        gtk_container_foreach(GTK_CONTAINER(widget), collect, data);
}

GtkCellRenderer* prepared_renderer(GtkTreeView* view, int column, int row, int renderer)
{
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    GtkTreeIter iter;
    GtkTreeViewColumn* col = gtk_tree_view_get_column(view, column);
    if (!model || !col || !gtk_tree_model_iter_nth_child(model, &iter, nullptr, row))
        return nullptr;
    gtk_tree_view_column_cell_set_cell_data(col, model, &iter, FALSE, FALSE);
    GListPtr cells(gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(col)));
    return static_cast<GtkCellRenderer*>(g_list_nth_data(cells.get(), guint(renderer)));
}

} // namespace

void gui_init()
{
    static bool started = false;
    if (started)
        return;
    // ctest runs several test processes at once, all with the same HOME.
    // The toolkit's list of recent files is one file there, rewritten whole
    // by each process from what it holds, so one test's entries vanished
    // under another's. Each process gets a data folder of its own.
    static std::string data = std::filesystem::temp_directory_path() / "tembrel-gui-data-XXXXXX";
    if (mkdtemp(data.data())) {
        g_setenv("XDG_DATA_HOME", data.c_str(), TRUE);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(data, ec);
        });
    }
    // The virtual server now and then turns a connection away when many
    // test processes start at once; a few tries ride that out.
    bool connected = false;
    for (int attempt = 0; attempt < GTK_INIT_ATTEMPTS && !connected; ++attempt) {
        if (attempt > 0)
            g_usleep(200 * 1000);
        connected = gtk_init_check(nullptr, nullptr);
    }
    if (!connected) {
        const char* display = g_getenv("DISPLAY");
        std::fprintf(stderr, "GUI tests need an X display (DISPLAY=%s): run them under xvfb-run\n",
                     display ? display : "(unset)");
        std::abort();
    }
    started = true;
}

void watchdog_arm(unsigned seconds)
{
    std::signal(SIGALRM, on_watchdog_alarm);
    alarm(seconds);
}

void watchdog_disarm()
{
    alarm(0);
}

void GuiTest::SetUp()
{
    gui_init();
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::snprintf(watchdog_test_name, sizeof watchdog_test_name, "%s.%s", info ? info->test_suite_name() : "?",
        info ? info->name() : "?");
    reset_answerer();
    // The answerer watches for the whole test, so a dialog nobody queued
    // an answer for fails the test at once.
    answerer.source = g_timeout_add(ANSWER_POLL_MS, on_answer_poll, nullptr);
    watchdog_arm(GUI_WATCHDOG_SECONDS);
}

void GuiTest::TearDown()
{
    EXPECT_EQ(unanswered_count(), 0u) << "a dialog the test expected never appeared";
    reset_answerer();
    destroy_leftover_dialogs();
    pump_events();
    watchdog_disarm();
}

void pump_events()
{
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
}

void pump_for(unsigned ms)
{
    gint64 end = g_get_monotonic_time() + gint64(ms) * 1000;
    while (g_get_monotonic_time() < end) {
        if (gtk_events_pending())
            gtk_main_iteration_do(FALSE);
        else
            g_usleep(2000);
    }
}

bool pump_until(const std::function<bool()>& done, unsigned timeout_ms)
{
    const gint64 end = g_get_monotonic_time() + gint64(timeout_ms) * 1000;
    while (!done()) {
        if (g_get_monotonic_time() >= end)
            return false;
        if (gtk_events_pending())
            gtk_main_iteration_do(FALSE);
        else
            g_usleep(1000);
    }
    return true;
}

bool wait_for_play_end(unsigned timeout_ms)
{
    const bool ended = pump_until([] { return !play_session_active(); }, timeout_ms);
    pump_events();
    return ended;
}

DialogAnswer answer_response(int response)
{
    DialogAnswer a;
    a.action = DialogAnswer::RESPOND;
    a.response = response;
    return a;
}

DialogAnswer answer_after(std::function<void(GtkWidget* dialog)> prepare, int response)
{
    DialogAnswer a = answer_response(response);
    a.prepare = std::move(prepare);
    return a;
}

DialogAnswer answer_drive(std::function<void(GtkWidget* dialog)> drive)
{
    DialogAnswer a;
    a.action = DialogAnswer::DRIVE;
    a.prepare = std::move(drive);
    return a;
}

DialogAnswer answer_close()
{
    DialogAnswer a;
    a.action = DialogAnswer::CLOSE;
    return a;
}

DialogAnswer answer_choose(const std::string& path)
{
    DialogAnswer a;
    a.action = DialogAnswer::CHOOSE;
    a.path = path;
    return a;
}

void queue_answer(const DialogAnswer& answer)
{
    answerer.queue.push_back(answer);
    if (!answerer.source)
        answerer.source = g_timeout_add(ANSWER_POLL_MS, on_answer_poll, nullptr);
}

std::size_t unanswered_count()
{
    return answerer.queue.size();
}

const std::vector<SeenDialog>& seen_dialogs()
{
    return answerer.seen;
}

bool main_loop_quit_by(const std::function<void()>& action, unsigned settle_ms)
{
    LoopRun run { &action, settle_ms };
    g_idle_add(on_run_action_idle, &run);
    gtk_main();
    if (!run.timed_out && run.settle_source)
        g_source_remove(run.settle_source);
    return !run.timed_out;
}

std::vector<GtkWidget*> find_all(GtkWidget* root, GType type)
{
    std::pair<GType, std::vector<GtkWidget*>> state { type, {} };
    if (root)
        collect(root, &state);
    return state.second;
}

void select_row(GtkTreeView* view, int row)
{
    GtkTreeSelection* selection = gtk_tree_view_get_selection(view);
    if (row < 0) {
        gtk_tree_selection_unselect_all(selection);
    } else {
        GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
        gtk_tree_selection_select_path(selection, path);
        gtk_tree_path_free(path);
    }
    pump_events();
}

void click(GtkWidget* button)
{
    gtk_button_clicked(GTK_BUTTON(button));
    pump_events();
}

bool sensitive(GtkWidget* widget)
{
    return gtk_widget_is_sensitive(widget);
}

std::string shown_label(GtkWidget* button)
{
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(button));
    return GTK_IS_LABEL(child) ? gtk_label_get_text(GTK_LABEL(child)) : "";
}

guint mnemonic_key(GtkWidget* button)
{
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(button));
    return GTK_IS_LABEL(child) ? gtk_label_get_mnemonic_keyval(GTK_LABEL(child)) : GDK_KEY_VoidSymbol;
}

void press_alt_key(GtkWidget* window, guint key)
{
    press_key(window, key, GDK_MOD1_MASK);
}

namespace {

// A key press in `window` as the keyboard makes it: bindings and shortcuts
// look at the key code and group, not only the key value.
GdkEvent* key_press_event(GtkWidget* window, guint key, GdkModifierType mods)
{
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.state = mods;
    event->key.keyval = key;
    GdkKeymapKey* keys = nullptr;
    gint n = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_default(), key, &keys, &n) && n > 0) {
        event->key.hardware_keycode = guint16(keys[0].keycode);
        event->key.group = guint8(keys[0].group);
    }
    g_free(keys);
    return event;
}

} // namespace

void press_key(GtkWidget* window, guint key, GdkModifierType mods)
{
    GdkEvent* event = key_press_event(window, key, mods);
    gtk_main_do_event(event);
    gdk_event_free(event);
    pump_events();
}

void queue_key(GtkWidget* window, guint key, GdkModifierType mods)
{
    GdkEvent* event = key_press_event(window, key, mods);
    gdk_event_put(event);
    gdk_event_free(event);
}

AddressSpaceRoom::AddressSpaceRoom(unsigned long long room)
{
    unsigned long size_kb = 0;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0)
            size_kb = std::stoul(line.substr(7));
    rlimit limit {};
    getrlimit(RLIMIT_AS, &limit);
    old_limit = limit.rlim_cur;
    limit.rlim_cur = rlim_t(size_kb) * 1024 + rlim_t(room);
    set = size_kb > 0 && setrlimit(RLIMIT_AS, &limit) == 0;
}

AddressSpaceRoom::~AddressSpaceRoom()
{
    rlimit limit {};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = rlim_t(old_limit);
    setrlimit(RLIMIT_AS, &limit);
}

void window_focus(GtkWidget* window, bool in)
{
    GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->focus_change.send_event = TRUE;
    event->focus_change.in = in ? TRUE : FALSE;
    gtk_widget_send_focus_change(window, event);
    gdk_event_free(event);
}

GermanTexts::GermanTexts()
{
    setenv("LANGUAGE", "de", 1);
    // gettext ignores LANGUAGE in the plain C locale.
    std::setlocale(LC_MESSAGES, "C.UTF-8");
    i18n_init();
    ++_nl_msg_cat_cntr;
}

GermanTexts::~GermanTexts()
{
    unsetenv("LANGUAGE");
    std::setlocale(LC_MESSAGES, "C");
    ++_nl_msg_cat_cntr;
}

void send_delete_event(GtkWidget* window)
{
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->any.send_event = TRUE;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

std::string cell_text(GtkTreeView* view, int column, int row, int renderer)
{
    GtkCellRenderer* cell = prepared_renderer(view, column, row, renderer);
    if (!cell)
        return "<no cell>";
    gchar* text = nullptr;
    g_object_get(cell, "text", &text, nullptr);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

bool cell_active(GtkTreeView* view, int column, int row, int renderer)
{
    return cell_bool(view, column, row, "active", renderer);
}

bool cell_bool(GtkTreeView* view, int column, int row, const char* property, int renderer)
{
    GtkCellRenderer* cell = prepared_renderer(view, column, row, renderer);
    gboolean value = FALSE;
    if (cell)
        g_object_get(cell, property, &value, nullptr);
    return value;
}

PrivateConfigHome::PrivateConfigHome()
{
    GError* error = nullptr;
    gchar* dir = g_dir_make_tmp("tembrel-config-XXXXXX", &error);
    if (!dir) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
        return;
    }
    path = dir;
    g_free(dir);
    g_setenv("XDG_CONFIG_HOME", path.c_str(), TRUE);
}

PrivateConfigHome::~PrivateConfigHome()
{
    g_unsetenv("XDG_CONFIG_HOME");
    if (!path.empty()) {
        const std::string cmd = "rm -rf '" + path + "'";
        if (std::system(cmd.c_str()) != 0)
            ADD_FAILURE() << "could not remove " << path;
    }
}

void click_row(GtkTreeView* view, int row, int clicks)
{
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    GdkRectangle rect;
    gtk_tree_view_get_cell_area(view, path, gtk_tree_view_get_column(view, 0), &rect);
    gtk_tree_path_free(path);
    GdkWindow* bin = gtk_tree_view_get_bin_window(view);
    // Presses 20 ms apart, so two of them count as a double click.
    const guint32 start = gtk_get_current_event_time() + 1000;
    int step = 0;
    for (int c = 0; c < clicks; ++c) {
        for (GdkEventType type : { GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE }) {
            GdkEvent* event = gdk_event_new(type);
            event->button.window = GDK_WINDOW(g_object_ref(bin));
            event->button.send_event = TRUE;
            event->button.time = start + 20 * step++;
            event->button.x = rect.x + rect.width / 2.0;
            event->button.y = rect.y + rect.height / 2.0;
            event->button.button = 1;
            event->button.device = gdk_device_get_core_pointer();
            gdk_event_put(event);
            gdk_event_free(event);
        }
    }
}
