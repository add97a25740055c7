// How the editor's window copes with big databases: a probe on a second X
// connection pings the window's main loop every 10 ms (_NET_WM_PING) and
// timestamps the answers, the title changes and the window's paint
// (XDamage), while a driver thread opens, browses and saves through the
// real window. Keys go through the X server (XTest), as a held key would.
//
//   bench_window [RUNS]     generates the two databases, runs each scenario
//                           RUNS times (3 by default) in fresh processes
//                           and prints the table: median (worst); exits
//                           with 1 when the worst peak memory of either
//                           open passes 1.5 x file size + 40 MiB
//   bench_window --run MODE DB   one run in this process, one "key=value"
//                           line per figure (MODE is "chooser" or "file")
//   bench_window --make DIR  only writes the two databases into DIR
//                           (phrases.tbp, words.tbp), e.g. for a profiler
//                           run under --run
//
// Needs a display (xvfb-run). Times are wall-clock milliseconds.
#include "db/operations.h"
#include "db/project.h"
#include "tests/unit/test_db.h"
#include "ui/phrases_page_view.h"
#include "ui/shell.h"
#include "ui/test_hooks.h"
#include "ui/words_page_view.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point EPOCH = Clock::now();

double now_ms()
{
    return std::chrono::duration<double, std::milli>(Clock::now() - EPOCH).count();
}

// ---- The probe: a second X client watching the editor's window. ----

struct Ping {
    double sent = 0;
    double answered = -1;
};

struct Probe {
    Display* dpy = nullptr;
    Window target = 0;
    Atom wm_protocols = 0, net_wm_ping = 0;
    int damage_base = 0;
    Damage damage = 0;

    std::mutex m;
    std::vector<Ping> pings;
    std::vector<double> paints;
    std::vector<double> titles;
    std::vector<std::pair<double, Window>> unmaps;
    std::vector<std::function<void(Display*)>> requests; // run on the probe's connection
    std::atomic<bool> stop {false};
    std::thread thread;

    void start(Window window)
    {
        dpy = XOpenDisplay(nullptr);
        target = window;
        wm_protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
        net_wm_ping = XInternAtom(dpy, "_NET_WM_PING", False);
        int error_base = 0;
        XDamageQueryExtension(dpy, &damage_base, &error_base);
        damage = XDamageCreate(dpy, target, XDamageReportNonEmpty);
        XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
        XSelectInput(dpy, target, PropertyChangeMask | StructureNotifyMask);
        XFlush(dpy);
        thread = std::thread([this] { loop(); });
    }

    void finish()
    {
        stop = true;
        thread.join();
        XCloseDisplay(dpy);
    }

    void send_ping(long seq)
    {
        XEvent ev {};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = target;
        ev.xclient.message_type = wm_protocols;
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = long(net_wm_ping);
        ev.xclient.data.l[1] = seq;
        ev.xclient.data.l[2] = long(target);
        XSendEvent(dpy, target, False, NoEventMask, &ev);
        XFlush(dpy);
    }

    void loop()
    {
        const Atom net_wm_name = XInternAtom(dpy, "_NET_WM_NAME", False);
        double next = now_ms();
        while (!stop) {
            if (now_ms() >= next) {
                std::lock_guard lock(m);
                pings.push_back({now_ms(), -1});
                send_ping(long(pings.size() - 1));
                next += 10;
            }
            std::vector<std::function<void(Display*)>> todo;
            {
                std::lock_guard lock(m);
                todo.swap(requests);
            }
            for (auto& request : todo)
                request(dpy);
            while (XPending(dpy)) {
                XEvent ev;
                XNextEvent(dpy, &ev);
                const double t = now_ms();
                std::lock_guard lock(m);
                if (ev.type == ClientMessage && ev.xclient.message_type == wm_protocols
                    && Atom(ev.xclient.data.l[0]) == net_wm_ping) {
                    const auto seq = std::size_t(ev.xclient.data.l[1]);
                    if (seq < pings.size() && pings[seq].answered < 0)
                        pings[seq].answered = t;
                } else if (ev.type == damage_base + XDamageNotify) {
                    XDamageSubtract(dpy, damage, None, None);
                    paints.push_back(t);
                } else if (ev.type == PropertyNotify && ev.xproperty.atom == net_wm_name) {
                    titles.push_back(t);
                } else if (ev.type == UnmapNotify || ev.type == DestroyNotify) {
                    unmaps.emplace_back(t, ev.type == UnmapNotify ? ev.xunmap.window : ev.xdestroywindow.window);
                }
            }
            pollfd pfd {ConnectionNumber(dpy), POLLIN, 0};
            const int wait = int(std::max(0.0, next - now_ms()));
            poll(&pfd, 1, std::min(wait, 10));
        }
    }

    void request(std::function<void(Display*)> fn)
    {
        std::lock_guard lock(m);
        requests.push_back(std::move(fn));
    }

    // The longest wait of a ping sent in [from, to) for its answer; a ping
    // still unanswered counts up to now.
    double longest_stall(double from, double to)
    {
        std::lock_guard lock(m);
        double worst = 0;
        for (const Ping& p : pings)
            if (p.sent >= from && p.sent < to)
                worst = std::max(worst, (p.answered < 0 ? now_ms() : p.answered) - p.sent);
        return worst;
    }

    // Waits until the main loop answers promptly and nothing was painted
    // for `quiet` ms; the time the window last changed (its last paint or
    // the last late answer), or `from` when nothing happened.
    double settle(double from, double quiet = 250, double limit_ms = 60000)
    {
        const double limit = from + limit_ms;
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const double t = now_ms();
            double last = from;
            bool pending = false;
            {
                std::lock_guard lock(m);
                for (const Ping& p : pings) {
                    if (p.sent < from - 10)
                        continue;
                    if (p.answered < 0)
                        pending = pending || t - p.sent > 20;
                    else if (p.answered - p.sent > 20)
                        last = std::max(last, p.answered);
                }
                for (double paint : paints)
                    if (paint >= from)
                        last = std::max(last, paint);
            }
            if ((!pending && t - last >= quiet) || t > limit)
                return last;
        }
    }

    double first_after(const std::vector<double>& events, double from)
    {
        std::lock_guard lock(m);
        for (double t : events)
            if (t >= from)
                return t;
        return -1;
    }
};

Probe probe;

// ---- Driving the window from the driver thread. ----

// Runs `fn` on the main loop and waits for it to return.
void on_main(std::function<void()> fn)
{
    auto done = std::make_shared<std::promise<void>>();
    auto* call = new std::function<void()>([fn = std::move(fn), done] {
        fn();
        done->set_value();
    });
    g_idle_add(
        [](gpointer data) -> gboolean {
            std::unique_ptr<std::function<void()>> f(static_cast<std::function<void()>*>(data));
            (*f)();
            return FALSE;
        },
        call);
    done->get_future().wait();
}

// Starts `fn` on the main loop without waiting (it may run a dialog).
void post_main(std::function<void()> fn)
{
    g_idle_add(
        [](gpointer data) -> gboolean {
            std::unique_ptr<std::function<void()>> f(static_cast<std::function<void()>*>(data));
            (*f)();
            return FALSE;
        },
        new std::function<void()>(std::move(fn)));
}

bool wait_for(const std::function<bool()>& condition, int limit_ms = 60000)
{
    const double limit = now_ms() + limit_ms;
    while (!condition()) {
        if (now_ms() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The menu item labelled `label` anywhere under `shell`.
GtkWidget* find_menu_item(GtkWidget* widget, const char* label)
{
    if (GTK_IS_MENU_ITEM(widget)) {
        GtkWidget* child = gtk_bin_get_child(GTK_BIN(widget));
        if (child && GTK_IS_LABEL(child) && std::strcmp(gtk_label_get_text(GTK_LABEL(child)), label) == 0)
            return widget;
        if (GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(widget)))
            if (GtkWidget* found = find_menu_item(sub, label))
                return found;
    }
    if (!GTK_IS_CONTAINER(widget))
        return nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    GtkWidget* found = nullptr;
    for (GList* l = children; l && !found; l = l->next)
        found = find_menu_item(GTK_WIDGET(l->data), label);
    g_list_free(children);
    return found;
}

// The file chooser on screen, or null.
GtkWidget* open_chooser()
{
    GtkWidget* found = nullptr;
    GList* list = gtk_window_list_toplevels();
    for (GList* l = list; l; l = l->next)
        if (GTK_IS_FILE_CHOOSER_DIALOG(l->data) && gtk_widget_get_mapped(GTK_WIDGET(l->data)))
            found = GTK_WIDGET(l->data);
    g_list_free(list);
    return found;
}

std::string window_title()
{
    std::string title;
    on_main([&] { title = gtk_window_get_title(GTK_WINDOW(shell_main_window())); });
    return title;
}

long peak_kib()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

void reset_peak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Presses and releases `keysym` `count` times at once through the server;
// the time the last one left.
double key_burst(KeySym keysym, int count)
{
    std::promise<double> sent;
    probe.request([&](Display* dpy) {
        XSetInputFocus(dpy, probe.target, RevertToParent, CurrentTime);
        const KeyCode code = XKeysymToKeycode(dpy, keysym);
        for (int i = 0; i < count; ++i) {
            XTestFakeKeyEvent(dpy, code, True, CurrentTime);
            XTestFakeKeyEvent(dpy, code, False, CurrentTime);
        }
        XFlush(dpy);
        sent.set_value(now_ms());
    });
    return sent.get_future().get();
}

void focus_list(GtkTreeView* view)
{
    on_main([view] {
        GtkTreePath* first = gtk_tree_path_new_first();
        gtk_tree_view_set_cursor(view, first, nullptr, FALSE);
        gtk_tree_path_free(first);
        gtk_widget_grab_focus(GTK_WIDGET(view));
    });
    probe.request([](Display* dpy) {
        XSetInputFocus(dpy, probe.target, RevertToParent, CurrentTime);
        XFlush(dpy);
    });
    probe.settle(now_ms());
}

ino_t inode_of(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::map<std::string, double> results;
double open_t0 = 0; // when the last measured open began

void record(const std::string& key, double value)
{
    results[key] = value;
}

// What it takes from t0 (an open just begun) until the database is shown
// and the window has settled.
void measure_open(const std::string& db_path, double t0)
{
    open_t0 = t0;
    wait_for([&] { return window_title().find(db_path) != std::string::npos; });
    // The title reaches the server once the main loop flushes it.
    wait_for([&] { return probe.first_after(probe.titles, t0) >= 0; });
    const double titled = probe.first_after(probe.titles, t0);
    const double end = probe.settle(t0, 400);
    const double shown = probe.first_after(probe.paints, titled);
    record("open_stall", probe.longest_stall(t0, end + 1));
    record("open_shown", (shown < 0 ? end : shown) - t0);
    record("peak_mib", double(peak_kib()) / 1024.0);
}

void scenario(const std::string& mode, const std::string& db_path)
{
    if (mode == "file") {
        measure_open(db_path, open_t0);
        return;
    }
    probe.settle(now_ms());
    // File > Open; the chooser is answered as a user would: the file
    // picked, then Enter (the dialog's default response).
    GtkWidget* open_item = nullptr;
    on_main([&] { open_item = find_menu_item(shell_main_window(), "Open"); });
    post_main([open_item] { gtk_menu_item_activate(GTK_MENU_ITEM(open_item)); });
    GtkWidget* chooser = nullptr;
    wait_for([&] {
        on_main([&] { chooser = open_chooser(); });
        return chooser != nullptr;
    });
    on_main([&] { gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), db_path.c_str()); });
    probe.settle(now_ms());
    Window chooser_xid = 0;
    on_main([&] { chooser_xid = GDK_WINDOW_XID(gtk_widget_get_window(chooser)); });
    reset_peak();
    const double t_enter = now_ms();
    post_main([chooser] { gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT); });
    measure_open(db_path, t_enter);
    {
        std::lock_guard lock(probe.m);
        for (const auto& [t, w] : probe.unmaps)
            if (w == chooser_xid && t >= open_t0) {
                record("chooser_gone", t - open_t0);
                break;
            }
    }

    // The first switch to the Words tab after the open.
    double t0 = now_ms();
    post_main([] { gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), 1); });
    record("words_tab", probe.settle(t0) - t0);

    focus_list(words_page_widgets().word_list);
    t0 = key_burst(XK_Down, 50);
    record("words_down", probe.settle(t0) - t0);
    // Where the burst ended: every key must have been handled.
    on_main([] { record("words_down_row", words_page_selected_word()); });

    on_main([] { gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), 0); });
    focus_list(phrases_page_widgets().phrase_list);
    t0 = key_burst(XK_Page_Down, 100);
    record("page_down", probe.settle(t0) - t0);
    on_main([] { record("page_down_row", phrases_page_selected_phrase()); });

    // Save: the project goes back to the file it came from.
    ino_t before = inode_of(db_path);
    t0 = now_ms();
    post_main([] { shell_save(); });
    wait_for([&] { return inode_of(db_path) != before; });
    double end = probe.settle(t0);
    record("save_project", probe.longest_stall(t0, end + 1));

    // Save Audio to a new name in the same folder.
    const std::string audio = db_path + ".csf";
    std::remove(audio.c_str());
    GtkWidget* audio_item = nullptr;
    on_main([&] { audio_item = find_menu_item(shell_main_window(), "Save Audio"); });
    post_main([audio_item] { gtk_menu_item_activate(GTK_MENU_ITEM(audio_item)); });
    chooser = nullptr;
    wait_for([&] {
        on_main([&] { chooser = open_chooser(); });
        return chooser != nullptr;
    });
    on_main([&] {
        gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), FALSE);
        gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), audio.c_str());
    });
    probe.settle(now_ms());
    t0 = now_ms();
    post_main([chooser] { gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT); });
    wait_for([&] { return inode_of(audio) != 0; });
    end = probe.settle(t0);
    record("save_audio", probe.longest_stall(t0, end + 1));
    std::remove(audio.c_str());
}

int run(const std::string& mode, const std::string& db_path)
{
    gtk_init(nullptr, nullptr);
    GtkWidget* window = shell_build();
    gtk_widget_realize(window);
    probe.start(GDK_WINDOW_XID(gtk_widget_get_window(window)));
    // As `tembrel FILE` does: the file is opened before the main loop runs.
    reset_peak();
    open_t0 = now_ms();
    shell_start(mode == "file" ? db_path.c_str() : nullptr);
    std::thread driver([&] {
        // The window is on screen and idle before anything is measured.
        wait_for([] { return probe.first_after(probe.paints, 0) >= 0; });
        scenario(mode, db_path);
        // The figures are out; the process ends here, whatever dialog the
        // toolkit may still hold open.
        for (const auto& [key, value] : results)
            std::printf("%s=%.1f\n", key.c_str(), value);
        std::fflush(stdout);
        _exit(0);
    });
    gtk_main();
    return 0;
}

// ---- The parent: databases, runs in fresh processes, the table. ----

struct Database {
    std::string name;
    std::string path;
};

// Aliases shaped like a navigation vocabulary: a street word and a number.
std::string alias_for(std::uint32_t w)
{
    static const char* STEMS[] = {"turn_left_onto", "continue_straight", "roundabout_exit", "motorway_junction"};
    return std::string(STEMS[w % 4]) + "_" + std::to_string(w);
}

void write_database(const std::string& path, std::uint32_t words, std::size_t audio, std::uint32_t phrases,
                    std::uint32_t refs)
{
    SpeechDbPtr db = make_generated_db(
        DB_FORMAT_MODERN, words, [audio](std::uint32_t) { return audio; }, phrases, refs);
    db_set_language_code(db.get(), "ENG");
    for (std::uint32_t w = 0; w < words; ++w)
        word_set_alias(db.get(), w, alias_for(w).c_str());
    for (std::uint32_t p = 0; p < phrases; p += 2)
        phrase_set_comment(db.get(), p, ("Announcement " + std::to_string(p) + ", checked on the road").c_str());
    ErrorText err;
    if (!project_save(db.get(), path.c_str(), &err)) {
        std::fprintf(stderr, "%s\n", err.text);
        std::exit(1);
    }
}

// 2,000 words, each in about 650 phrases; 20,000 words of 4,200 bytes (an
// 84 MB project), 16 words a phrase.
void write_databases(const std::string& phrases_path, const std::string& words_path)
{
    write_database(phrases_path, 2000, 4000, 65535, 20);
    write_database(words_path, 20000, 4200, 20000, 16);
}

std::map<std::string, double> run_child(const char* self, const std::string& mode, const std::string& db)
{
    const ChildOutput child = run_capturing({self, "--run", mode, db});
    if (!child.failure.empty())
        std::exit(1);
    std::map<std::string, double> figures;
    std::istringstream lines(child.out);
    for (std::string line; std::getline(lines, line);)
        if (auto eq = line.find('='); eq != std::string::npos)
            figures[line.substr(0, eq)] = std::stod(line.substr(eq + 1));
    return figures;
}

std::string cell(std::vector<double> values, const char* unit, int decimals = 0)
{
    if (values.empty())
        return "-";
    std::sort(values.begin(), values.end());
    char text[64];
    std::snprintf(text, sizeof text, "%.*f %s (worst %.*f)", decimals, values[values.size() / 2], unit, decimals,
                  values.back());
    return text;
}

// The most the editor may hold after opening a file of `file_mib`.
double peak_limit_mib(double file_mib)
{
    return 1.5 * file_mib + 40;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--run") == 0)
        return run(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "--make") == 0) {
        write_databases(argv[2] + std::string("/phrases.tbp"), argv[2] + std::string("/words.tbp"));
        return 0;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    // The editor's settings, recent files and recovery copies stay in a
    // folder of their own, and its texts in English.
    TempDir dir;
    setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1);
    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    mkdir(dir.file("data").c_str(), 0700);
    setenv("LANGUAGE", "C", 1);
    setenv("LC_ALL", "C", 1);
    const std::vector<Database> dbs = {
        {"65,535 phrases", dir.file("phrases.tbp")},
        {"20,000 words", dir.file("words.tbp")},
    };
    write_databases(dbs[0].path, dbs[1].path);

    std::map<std::string, std::vector<std::vector<double>>> figures; // key -> per db -> runs
    std::vector<double> file_sizes;
    for (std::size_t d = 0; d < dbs.size(); ++d) {
        struct stat st;
        stat(dbs[d].path.c_str(), &st);
        file_sizes.push_back(double(st.st_size) / (1 << 20));
        for (int r = 0; r < runs; ++r) {
            for (const char* mode : {"chooser", "file"}) {
                for (const auto& [key, value] : run_child(argv[0], mode, dbs[d].path)) {
                    auto& per_db = figures[std::string(mode) + "." + key];
                    per_db.resize(dbs.size());
                    per_db[d].push_back(value);
                }
            }
        }
    }
    const auto row = [&](const char* label, const std::string& key, const char* unit) {
        std::printf("| %s |", label);
        for (std::size_t d = 0; d < dbs.size(); ++d) {
            auto it = figures.find(key);
            std::printf(" %s |", it == figures.end() || it->second.size() <= d ? "-" : cell(it->second[d], unit).c_str());
        }
        std::printf("\n");
    };
    // Peak memory with its limit beside it; a worst run over the limit is
    // marked in the table, listed below it, and fails the benchmark.
    std::vector<std::string> over;
    const auto peak_row = [&](const char* label, const std::string& key) {
        std::printf("| %s |", label);
        for (std::size_t d = 0; d < dbs.size(); ++d) {
            auto it = figures.find(key);
            if (it == figures.end() || it->second.size() <= d || it->second[d].empty()) {
                std::printf(" - |");
                continue;
            }
            const std::vector<double>& values = it->second[d];
            const double limit = peak_limit_mib(file_sizes[d]);
            const double worst = *std::max_element(values.begin(), values.end());
            const bool too_much = worst > limit;
            std::printf(" %s, limit %.1f MiB%s |", cell(values, "MiB", 1).c_str(), limit, too_much ? " **OVER LIMIT**" : "");
            if (too_much) {
                char text[160];
                std::snprintf(text, sizeof text, "%s, %s: %.1f MiB, limit %.1f MiB", label, dbs[d].name.c_str(), worst, limit);
                over.push_back(text);
            }
        }
        std::printf("\n");
    };
    std::printf("\n%d runs each, median (worst)\n\n", runs);
    std::printf("| action | %s (%.1f MiB) | %s (%.1f MiB) |\n|---|---|---|\n", dbs[0].name.c_str(), file_sizes[0],
                dbs[1].name.c_str(), file_sizes[1]);
    row("Open from the chooser: longest main-loop stall", "chooser.open_stall", "ms");
    row("Open from the chooser: data shown after Enter", "chooser.open_shown", "ms");
    row("Open from the chooser: chooser gone after Enter", "chooser.chooser_gone", "ms");
    row("Open `tembrel FILE`: longest main-loop stall", "file.open_stall", "ms");
    row("Open `tembrel FILE`: data shown after start", "file.open_shown", "ms");
    peak_row("Peak memory after open from the chooser", "chooser.peak_mib");
    peak_row("Peak memory after `tembrel FILE`", "file.peak_mib");
    row("Save Project stall", "chooser.save_project", "ms");
    row("Save Audio stall", "chooser.save_audio", "ms");
    row("100 Page_Down sent at once: settled", "chooser.page_down", "ms");
    row("50 Down in the Words list at once: settled", "chooser.words_down", "ms");
    row("First switch to the Words tab, settled", "chooser.words_tab", "ms");
    for (const std::string& line : over)
        std::printf("\nOver the memory limit (1.5 x file size + 40 MiB): %s\n", line.c_str());
    return over.empty() ? 0 : 1;
}
