// tembrel-tool: batch work and scripting on speech databases. This file
// picks the command and parses its options; the commands themselves are in
// tool_commands.cpp.
#include "tools/tool_commands.h"
#include "tools/tool_util.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <glib.h>
#include <memory>
#include <string>

namespace {

// The options a command takes besides --help.
enum CommandOptions {
    OPTIONS_NONE,
    OPTIONS_FORCE,  // --force
    OPTIONS_PHRASE, // --phrase N, which takes the place of the last argument
    OPTIONS_QUALITY, // --quality=standard|best
};

struct Command {
    const char* name;
    const char* params;
    const char* summary;
    int min_args;
    int max_args;
    CommandOptions options;
    int (*run)(char** args, const ToolOptions& opts);
};

constexpr Command COMMANDS[] = {
    {"info", "FILE", "Show the format, header and size of a database.", 1, 1, OPTIONS_NONE, cmd_info},
    {"dump", "FILE", "Write the whole database as JSON on stdout.", 1, 1, OPTIONS_NONE, cmd_dump},
    {"export", "FILE DIR", "Write every word as DIR/NNN.wav.", 2, 2, OPTIONS_FORCE, cmd_export},
    {"import", "FILE DIR OUT", "Replace each word NNN that has a DIR/NNN.wav and write OUT (.csf or .tbp).", 3, 3,
     OPTIONS_NONE, cmd_import},
    {"save", "FILE OUT", "Load a database and write it again as OUT (.csf or .tbp).", 2, 2, OPTIONS_NONE, cmd_save},
    {"encode", "IN.wav OUT.adpcm", "Encode a 16000 Hz mono 16-bit WAV file to raw ADPCM bytes.", 2, 2,
     OPTIONS_QUALITY, cmd_encode},
    {"decode", "IN.adpcm OUT.wav", "Decode raw ADPCM bytes to a 16000 Hz mono 16-bit WAV file.", 2, 2,
     OPTIONS_NONE, cmd_decode},
    {"play", "FILE [WORD]", "Play a word, or a phrase with --phrase N (numbers count from 1).", 1, 2,
     OPTIONS_PHRASE, cmd_play},
};

void print_usage(FILE* out)
{
    std::fprintf(out, "Usage: tembrel-tool COMMAND [OPTIONS] ARGUMENTS\n\nCommands:\n");
    for (const Command& c : COMMANDS)
        std::fprintf(out, "  %-7s %-17s %s\n", c.name, c.params, c.summary);
    std::fprintf(out, "\nNumbers of words and phrases count from 1. "
                      "'tembrel-tool COMMAND --help' describes a command.\n");
}

struct ContextDeleter {
    void operator()(GOptionContext* c) const { g_option_context_free(c); }
};

// The value of --quality; false for any other text.
bool parse_quality(const char* text, AdpcmQuality* quality)
{
    if (std::strcmp(text, "standard") == 0)
        *quality = AdpcmQuality::STANDARD;
    else if (std::strcmp(text, "best") == 0)
        *quality = AdpcmQuality::BEST;
    else
        return false;
    return true;
}

// How many arguments the command takes once its options are known.
void argument_range(const Command& cmd, const ToolOptions& opts, int* min_args, int* max_args)
{
    *min_args = cmd.min_args;
    *max_args = cmd.max_args;
    if (cmd.options == OPTIONS_PHRASE)
        *min_args = *max_args = opts.phrase_text ? cmd.min_args : cmd.max_args;
}

int run_command(const Command& cmd, int argc, char** argv)
{
    ToolOptions opts;
    gboolean force = FALSE;
    gchar* phrase = nullptr;
    GOptionEntry force_entries[] = {
        {"force", 'f', 0, G_OPTION_ARG_NONE, &force, "Replace WAV files that already exist", nullptr},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    };
    GOptionEntry phrase_entries[] = {
        {"phrase", 'p', 0, G_OPTION_ARG_STRING, &phrase, "Play phrase N instead of a word", "N"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    };
    gchar* quality = nullptr;
    GOptionEntry quality_entries[] = {
        {"quality", 'q', 0, G_OPTION_ARG_STRING, &quality,
         "standard (the default) or best: a slower search for codes that sound closer to the recording", "QUALITY"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    };

    // The program name already ends in the command's name (see main).
    std::unique_ptr<GOptionContext, ContextDeleter> ctx(g_option_context_new(cmd.params));
    g_option_context_set_summary(ctx.get(), cmd.summary);
    if (cmd.options == OPTIONS_FORCE)
        g_option_context_add_main_entries(ctx.get(), force_entries, nullptr);
    if (cmd.options == OPTIONS_PHRASE)
        g_option_context_add_main_entries(ctx.get(), phrase_entries, nullptr);
    if (cmd.options == OPTIONS_QUALITY)
        g_option_context_add_main_entries(ctx.get(), quality_entries, nullptr);

    GError* error = nullptr;
    if (!g_option_context_parse(ctx.get(), &argc, &argv, &error)) {
        std::fprintf(stderr, "tembrel-tool: %s\n", error->message);
        g_error_free(error);
        g_autofree char* help = g_option_context_get_help(ctx.get(), TRUE, nullptr);
        std::fputs(help, stderr);
        return EXIT_USAGE;
    }
    opts.force = force;
    g_autofree gchar* phrase_owned = phrase;
    opts.phrase_text = phrase;
    g_autofree gchar* quality_owned = quality;
    if (quality && !parse_quality(quality, &opts.quality)) {
        std::fprintf(stderr, "tembrel-tool: unknown quality '%s' (standard or best)\n", quality);
        return EXIT_USAGE;
    }

    // argv[0] is the program; the rest are the command's own arguments.
    const int nargs = argc - 1;
    int min_args = 0;
    int max_args = 0;
    argument_range(cmd, opts, &min_args, &max_args);
    if (nargs < min_args || nargs > max_args) {
        g_autofree char* help = g_option_context_get_help(ctx.get(), TRUE, nullptr);
        std::fputs(help, stderr);
        return EXIT_USAGE;
    }
    return cmd.run(argv + 1, opts);
}

} // namespace

int main(int argc, char** argv)
{
    // The character set of the user's terminal, so that help texts show
    // their ellipses instead of '?'. Numbers keep the C locale: scripts
    // read them.
    std::setlocale(LC_CTYPE, "");
    if (argc < 2) {
        print_usage(stderr);
        return EXIT_USAGE;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "help") == 0) {
        print_usage(stdout);
        return 0;
    }
    for (const Command& cmd : COMMANDS) {
        if (std::strcmp(argv[1], cmd.name) != 0)
            continue;
        // The command's options start after its name; GOption sees the
        // command name in the program's place so --help reads naturally.
        std::string prog = std::string("tembrel-tool ") + cmd.name;
        g_set_prgname(prog.c_str());
        argv[1] = argv[0];
        return run_command(cmd, argc - 1, argv + 1);
    }
    std::fprintf(stderr, "tembrel-tool: unknown command '%s'\n\n", argv[1]);
    print_usage(stderr);
    return EXIT_USAGE;
}
