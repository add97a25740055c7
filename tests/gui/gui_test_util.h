// Shared helpers for the GUI tests: a fixture that starts the toolkit and
// arms a watchdog, event pumping, answering modal dialogs from a timeout,
// finding widgets, and reading tree view cells through their cell data
// functions, the way the view itself draws them.
#pragma once

#include <functional>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <string>
#include <vector>

// Seconds a single GUI test may take before the watchdog aborts it.
constexpr unsigned GUI_WATCHDOG_SECONDS = 60;

// Base fixture: toolkit started once per process, watchdog armed and the
// dialog answerer running for each test; at the end every dialog the test
// queued an answer for must have appeared, and leftover dialogs are
// destroyed.
class GuiTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Starts the toolkit once; aborts the process with a message when there
// is no display (run the GUI tests under xvfb-run).
void gui_init();

// alarm()-based: fires even when the test is stuck outside the main loop.
// The handler names the test and aborts, so CI fails instead of hanging.
void watchdog_arm(unsigned seconds);
void watchdog_disarm();

// Handles every pending event, then returns.
void pump_events();
// Runs the main loop until `done` holds or `timeout_ms` passed; whether it
// holds.
bool pump_until(const std::function<bool()>& done, unsigned timeout_ms = 5000);
// Runs the main loop until no play runs (plays go on in the background).
bool wait_for_play_end(unsigned timeout_ms = 5000);
// Runs the main loop for `ms` milliseconds (lets timeouts and idles run).
void pump_for(unsigned ms);

// What the poller saw of a dialog before it answered it.
struct SeenDialog {
    std::string kind; // "message", "chooser" or "dialog"
    std::string title;
    std::string text; // message text, or the labels of a plain dialog
    std::vector<std::string> buttons; // action area, left to right as shown (stock ids)
    GtkMessageType message_type = GTK_MESSAGE_OTHER;
    GtkFileChooserAction chooser_action = GTK_FILE_CHOOSER_ACTION_OPEN;
    std::string folder; // a chooser's current folder when it appeared
    std::string current_name; // a save chooser's suggested name
    bool modal = false;
    bool overwrite_confirmation = false;
    GtkWindow* transient_for = nullptr;
};

// How to answer the next dialog that appears.
struct DialogAnswer {
    enum Action { RESPOND, CLOSE, CHOOSE, DRIVE } action = RESPOND;
    int response = GTK_RESPONSE_CANCEL;
    std::string path; // CHOOSE: the file to pick (folder + name)
    // RESPOND: runs on the dialog first, as a user would set its controls.
    // DRIVE: runs from an idle of the dialog's own loop, so it may open
    // further dialogs; it must end the dialog itself.
    std::function<void(GtkWidget* dialog)> prepare;
};

DialogAnswer answer_response(int response);
// Lets `prepare` work the dialog's controls, then responds.
DialogAnswer answer_after(std::function<void(GtkWidget* dialog)> prepare, int response);
// Hands the dialog to `drive`, which works it like a user (opening the
// dialogs its buttons open, answered from the queue) and ends it.
DialogAnswer answer_drive(std::function<void(GtkWidget* dialog)> drive);
// Closes the dialog as the window manager's close button would.
DialogAnswer answer_close();
// Sets the chooser to `path` and accepts it.
DialogAnswer answer_choose(const std::string& path);

// Queues an answer for the next dialog that appears; answers are used in
// the order queued, one per dialog. Inside a GuiTest a dialog that appears
// with no answer queued fails the test and is closed.
void queue_answer(const DialogAnswer& answer);
std::size_t unanswered_count();
// Every dialog answered since the fixture started, oldest first.
const std::vector<SeenDialog>& seen_dialogs();

// Runs `action` inside gtk_main() (started from an idle), then keeps the
// loop going for `settle_ms`. True when something inside quit the loop;
// false when the loop was still running and the helper ended it.
bool main_loop_quit_by(const std::function<void()>& action, unsigned settle_ms = 100);

// German texts for as long as it lives: LANGUAGE=de, with a locale that
// lets gettext honour it. English again afterwards. Build the window
// while it lives to see it in German.
struct GermanTexts {
    GermanTexts();
    ~GermanTexts();
    GermanTexts(const GermanTexts&) = delete;
    GermanTexts& operator=(const GermanTexts&) = delete;
};

// Points XDG_CONFIG_HOME at a fresh folder for as long as it lives, so a
// test that writes the settings file never meets another test's settings.
struct PrivateConfigHome {
    std::string path;
    PrivateConfigHome();
    ~PrivateConfigHome();
    PrivateConfigHome(const PrivateConfigHome&) = delete;
    PrivateConfigHome& operator=(const PrivateConfigHome&) = delete;
};

// Widget search (non-internal children, depth first, in packing order).
std::vector<GtkWidget*> find_all(GtkWidget* root, GType type);

// Selects row `row` of `view` (a negative row clears the selection), as a
// user's click would, and handles the events that follow.
void select_row(GtkTreeView* view, int row);
// Real clicks (1 = a click, 2 = a double click) on `row` of `view`: the
// presses and releases the pointer sends, through the event queue.
void click_row(GtkTreeView* view, int row, int clicks = 1);
// Clicks `button` and handles the events that follow.
void click(GtkWidget* button);
// Whether a user can use `widget`: it and every parent are sensitive.
bool sensitive(GtkWidget* widget);
// What a button or check box shows: its label's text, without the
// underscore that marks its mnemonic.
std::string shown_label(GtkWidget* button);
// The mnemonic key of a button or check box (lower case), or
// GDK_KEY_VoidSymbol when its label has none.
guint mnemonic_key(GtkWidget* button);
// Presses Alt and `key` in `window` as the keyboard would: the key event
// goes through the toolkit's event handling, not straight to a widget.
void press_alt_key(GtkWidget* window, guint key);
// The same with any modifiers held.
void press_key(GtkWidget* window, guint key, GdkModifierType mods);
// The same through the event queue, for a dialog whose own loop reads it.
void queue_key(GtkWidget* window, guint key, GdkModifierType mods = GdkModifierType(0));
// Gives `window` the keyboard focus (or takes it away) as the X server
// tells it when the user picks another window. All GUI tests share one
// display without a window manager, so the server's own focus goes to
// whichever test's window lies under the pointer; widgets that act only
// while focused need this.
void window_focus(GtkWidget* window, bool in);

// The address space limited, for as long as this lives, to what the
// process uses now and `room` bytes more: large allocations fail while the
// toolkit's small ones still succeed. `set` says whether the limit holds.
// The address sanitizer cannot run under such a limit.
struct AddressSpaceRoom {
    explicit AddressSpaceRoom(unsigned long long room);
    AddressSpaceRoom(const AddressSpaceRoom&) = delete;
    AddressSpaceRoom& operator=(const AddressSpaceRoom&) = delete;
    ~AddressSpaceRoom();
    bool set = false;

private:
    unsigned long long old_limit = 0;
};

// Sends a real delete event, as the close button of the window frame does.
void send_delete_event(GtkWidget* window);

// Reads what a cell shows: runs the column's cell data functions for row
// `row` and reads `property` ("text", "active", ...) from renderer
// `renderer` of column `column`.
std::string cell_text(GtkTreeView* view, int column, int row, int renderer = 0);
bool cell_active(GtkTreeView* view, int column, int row, int renderer = 0);
// A boolean property of the prepared renderer ("visible", "sensitive", ...).
bool cell_bool(GtkTreeView* view, int column, int row, const char* property, int renderer = 0);
