// Entry point of the editor: reads the command line (the editor's own
// options, the toolkit's, and at most one file to open), then runs the main
// window until the user quits. --help and --version answer without a
// display, so they work over ssh and in package checks.
#include "io/i18n.h"
#include "io/temp_registry.h"
#include "ui/gtk_ptr.h"
#include "ui/shell.h"

#include "tembrel_config.h"

#include <clocale>
#include <cstdio>
#include <memory>
#include <gtk/gtk.h>

namespace {

constexpr int EXIT_USAGE = 2;

struct CommandLine {
    gboolean version = FALSE;
    gchar** files = nullptr;
    ~CommandLine() { g_strfreev(files); }
};

struct OptionContextDeleter {
    void operator()(GOptionContext* c) const { g_option_context_free(c); }
};

// Parses the options, the toolkit's included, without opening a display.
// False (after a message on stderr) when the command line is wrong.
bool parse_command_line(int* argc, char*** argv, CommandLine* cl)
{
    const GOptionEntry entries[] = {
        {"version", 0, 0, G_OPTION_ARG_NONE, &cl->version, N_("Show the version and exit"), nullptr},
        {G_OPTION_REMAINING, 0, 0, G_OPTION_ARG_FILENAME_ARRAY, &cl->files, nullptr, N_("[FILE]")},
        {},
    };
    std::unique_ptr<GOptionContext, OptionContextDeleter> context(
        g_option_context_new(_("- edit the speech database of a car navigation system")));
    g_option_context_set_description(context.get(),
        _("FILE is a CSF audio file (.csf) or a Tembrel project (.tbp) to open at start."));
    g_option_context_add_main_entries(context.get(), entries, "tembrel");
    g_option_context_add_group(context.get(), gtk_get_option_group(FALSE));
    GError* error = nullptr;
    if (!g_option_context_parse(context.get(), argc, argv, &error)) {
        std::fprintf(stderr, _("tembrel: %s\nRun 'tembrel --help' to see the options.\n"), error->message);
        g_error_free(error);
        return false;
    }
    if (cl->files && cl->files[0] && cl->files[1]) {
        std::fprintf(stderr, "%s", _("tembrel: only one FILE can be opened at a time\n"));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // The user's language for every text, the toolkit's included.
    std::setlocale(LC_ALL, "");
    i18n_init();
    // A file-size limit or a closed pipe makes a save fail with its
    // message instead of ending the editor and the user's work with it.
    io_ignore_write_signals();
    CommandLine cl;
    if (!parse_command_line(&argc, &argv, &cl))
        return EXIT_USAGE;
    if (cl.version) {
        std::printf("tembrel %s\n", TEMBREL_VERSION);
        return 0;
    }
    // Window managers and docks match the window to its menu entry and
    // icon through the class; the --help text above still says "tembrel".
    g_set_prgname(TEMBREL_APP_ID);
    gdk_set_program_class(TEMBREL_APP_ID);
    if (!gtk_init_check(&argc, &argv)) {
        const char* display = gdk_get_display_arg_name();
        if (!display)
            display = g_getenv("DISPLAY");
        std::fprintf(stderr, _("tembrel: cannot open display: %s\n"), display ? display : "");
        return 1;
    }
    shell_build();
    // Titles show the whole path, as they do for a file chosen in the Open
    // dialog. Without a file the recovery folder is looked into.
    GCharPtr path(cl.files && cl.files[0] ? g_canonicalize_filename(cl.files[0], nullptr) : nullptr);
    shell_start(path.get());
    gtk_main();
    return 0;
}
