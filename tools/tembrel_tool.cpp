// tembrel-tool: batch work and scripting on speech databases. This file
// picks the command and parses its options; the commands themselves are in
// tool_commands.cpp.
#include "tools/tool_commands.h"
#include "tools/tool_util.h"

#include "audio/shaping.h"
#include "io/i18n.h"
#include "io/temp_registry.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <glib.h>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// The options a command takes besides --help, combined as bits.
enum CommandOptions : unsigned {
    OPTIONS_NONE = 0,
    OPTIONS_FORCE = 1,   // --force
    OPTIONS_PHRASE = 2,  // --phrase N, which takes the place of the last argument
    OPTIONS_QUALITY = 4, // --quality=standard|best
    OPTIONS_SHAPE = 8,   // --convert, --trim[=DB], --level[=TARGET|auto]
};

struct Command {
    const char* name;
    const char* params;
    const char* summary;
    int min_args;
    int max_args;
    unsigned options;
    int (*run)(char** args, const ToolOptions& opts);
};

constexpr Command COMMANDS[] = {
    {"info", "FILE", N_("Show the format, header and size of a database."), 1, 1, OPTIONS_NONE, cmd_info},
    {"dump", "FILE", N_("Write the whole database as JSON on stdout."), 1, 1, OPTIONS_NONE, cmd_dump},
    {"export", "FILE DIR", N_("Write every word as DIR/NNN.wav."), 2, 2, OPTIONS_FORCE, cmd_export},
    {"export-phrase", "FILE N OUT.wav", N_("Write phrase N as one WAV file, its words one after another."), 3, 3,
     OPTIONS_FORCE, cmd_export_phrase},
    {"import", "FILE DIR OUT",
     N_("Replace words by the sound files in DIR (NNN.wav, ALIAS.wav); write OUT (.csf or .tbp)."), 3, 3,
     OPTIONS_QUALITY | OPTIONS_SHAPE, cmd_import},
    {"save", "FILE OUT", N_("Load a database and write it again as OUT (.csf or .tbp)."), 2, 2, OPTIONS_NONE, cmd_save},
    {"encode", "IN.wav OUT.adpcm", N_("Encode a 16000 Hz mono 16-bit WAV file (any sound file with --convert) to ADPCM."), 2, 2,
     OPTIONS_QUALITY | OPTIONS_SHAPE, cmd_encode},
    {"decode", "IN.adpcm OUT.wav", N_("Decode raw ADPCM bytes to a 16000 Hz mono 16-bit WAV file."), 2, 2,
     OPTIONS_NONE, cmd_decode},
    {"play", "FILE [WORD]", N_("Play a word (number or alias), or a phrase with --phrase N (numbers count from 1)."), 1, 2,
     OPTIONS_PHRASE, cmd_play},
};

void print_usage(FILE* out)
{
    std::fputs(_("Usage: tembrel-tool COMMAND [OPTIONS] ARGUMENTS\n\nCommands:\n"), out);
    for (const Command& c : COMMANDS)
        std::fprintf(out, "  %-13s %-16s %s\n", c.name, c.params, _(c.summary));
    std::fputs(_("\nNumbers of words and phrases count from 1. "
                 "'tembrel-tool COMMAND --help' describes a command.\n"),
        out);
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

// A level in dB, with or without a unit: "-45", "-45dB", "-20LUFS". The
// loudness scale is that of a 1 kHz sine, where LUFS and dBFS agree, so a
// target given in dBFS is taken on the same scale.
bool parse_db(const char* text, std::initializer_list<const char*> units, double* out)
{
    char* end = nullptr;
    const double v = g_ascii_strtod(text, &end);
    if (end == text || !std::isfinite(v))
        return false;
    while (*end == ' ')
        ++end;
    bool unit_ok = *end == 0;
    for (const char* u : units)
        unit_ok = unit_ok || g_ascii_strcasecmp(end, u) == 0;
    if (!unit_ok)
        return false;
    *out = v;
    return true;
}

// The parsed values of --trim and --level, filled by their callbacks.
gboolean on_trim_option(const gchar*, const gchar* value, gpointer data, GError** error)
{
    auto* opts = static_cast<ToolOptions*>(data);
    double db = TRIM_DEFAULT_DB;
    if (!parse_db(value, {"dB", "dBFS"}, &db) || db > 0 || db < -120) {
        g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_BAD_VALUE,
                    _("--trim takes a level in dBFS from -120 to 0, not '%s'"), value);
        return FALSE;
    }
    opts->import.trim_db = db;
    return TRUE;
}

gboolean on_level_option(const gchar*, const gchar* value, gpointer data, GError** error)
{
    auto* opts = static_cast<ToolOptions*>(data);
    if (std::strcmp(value, "auto") == 0) {
        opts->level_auto = true;
        opts->import.level_lufs.reset();
        return TRUE;
    }
    double target = 0;
    if (!parse_db(value, {"LUFS", "LKFS", "dB", "dBFS"}, &target) || target > 0 || target < -70) {
        g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_BAD_VALUE,
                    _("--level takes auto or a loudness in LUFS from -70 to 0, not '%s'"), value);
        return FALSE;
    }
    opts->level_auto = false;
    opts->import.level_lufs = target;
    return TRUE;
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
    gboolean convert = FALSE;
    gchar* phrase = nullptr;
    gchar* quality = nullptr;
    const GOptionEntry force_entries[] = {
        {"force", 'f', 0, G_OPTION_ARG_NONE, &force, N_("Replace WAV files that already exist"), nullptr},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    };
    const GOptionEntry phrase_entries[] = {
        {"phrase", 'p', 0, G_OPTION_ARG_STRING, &phrase, N_("Play phrase N instead of a word"), "N"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    };
    const GOptionEntry quality_entries[] = {
        {"quality", 'q', 0, G_OPTION_ARG_STRING, &quality,
         N_("standard (the default) or best: a slower search for codes that sound closer to the recording"), "QUALITY"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    };
    const GOptionEntry shape_entries[] = {
        {"convert", 'c', 0, G_OPTION_ARG_NONE, &convert,
         N_("Convert any other sound file (rate, channels, width, FLAC, Ogg, AIFF) to 16000 Hz mono"), nullptr},
        {"trim", 0, 0, G_OPTION_ARG_CALLBACK, (void*)on_trim_option,
         N_("Trim silence below DB dBFS (--trim alone: -45) at both ends"), "DB"},
        {"level", 0, 0, G_OPTION_ARG_CALLBACK, (void*)on_level_option,
         N_("Match loudness to TARGET LUFS, or to the database's unchanged words (--level alone: auto)"), "TARGET"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    };

    // The program name already ends in the command's name (see main). The
    // main group carries the options record to the callbacks.
    std::unique_ptr<GOptionContext, ContextDeleter> ctx(g_option_context_new(cmd.params));
    g_option_context_set_summary(ctx.get(), cmd.summary);
    g_option_context_set_translation_domain(ctx.get(), "tembrel");
    GOptionGroup* group = g_option_group_new(nullptr, nullptr, nullptr, &opts, nullptr);
    g_option_group_set_translation_domain(group, "tembrel");
    g_option_context_set_main_group(ctx.get(), group);
    if (cmd.options & OPTIONS_FORCE)
        g_option_group_add_entries(group, force_entries);
    if (cmd.options & OPTIONS_PHRASE)
        g_option_group_add_entries(group, phrase_entries);
    if (cmd.options & OPTIONS_QUALITY)
        g_option_group_add_entries(group, quality_entries);
    if (cmd.options & OPTIONS_SHAPE)
        g_option_group_add_entries(group, shape_entries);

    // --trim and --level may stand alone. GOption would take the next
    // argument as their value, so a bare one gets its default written out.
    std::vector<std::string> spelled;
    std::vector<char*> args(argv, argv + argc);
    if (cmd.options & OPTIONS_SHAPE) {
        spelled.reserve(std::size_t(argc));
        for (char*& a : args) {
            if (std::strcmp(a, "--") == 0)
                break;
            if (std::strcmp(a, "--trim") == 0)
                a = spelled.emplace_back("--trim=" + std::to_string(int(TRIM_DEFAULT_DB))).data();
            else if (std::strcmp(a, "--level") == 0)
                a = spelled.emplace_back("--level=auto").data();
        }
    }
    argv = args.data();

    GError* error = nullptr;
    if (!g_option_context_parse(ctx.get(), &argc, &argv, &error)) {
        std::fprintf(stderr, "tembrel-tool: %s\n", error->message);
        g_error_free(error);
        g_autofree char* help = g_option_context_get_help(ctx.get(), TRUE, nullptr);
        std::fputs(help, stderr);
        return EXIT_USAGE;
    }
    opts.force = force;
    opts.import.convert = convert;
    g_autofree gchar* phrase_owned = phrase;
    opts.phrase_text = phrase;
    g_autofree gchar* quality_owned = quality;
    if (quality && !parse_quality(quality, &opts.import.quality)) {
        std::fprintf(stderr, _("tembrel-tool: unknown quality '%s' (standard or best)\n"), quality);
        return EXIT_USAGE;
    }

    // GOption stops at "--" but leaves it in place; what follows are
    // arguments even when they start with '-'.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            std::memmove(argv + i, argv + i + 1, sizeof(char*) * std::size_t(argc - i - 1));
            --argc;
            break;
        }
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
    std::setlocale(LC_MESSAGES, "");
    i18n_init();
    // A closed pipe or a file-size limit makes a write fail with a message
    // instead of killing the tool silently; an interrupted save leaves no
    // temporary file behind.
    io_ignore_write_signals();
    io_clean_up_on_signals();
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
        try {
            return run_command(cmd, argc - 1, argv + 1);
        } catch (const std::bad_alloc&) {
            // Whatever was being built is gone with the stack; nothing was
            // written, since every output is written whole or not at all.
            return tool_fail(tool_activity());
        }
    }
    std::fprintf(stderr, _("tembrel-tool: unknown command '%s'\n\n"), argv[1]);
    print_usage(stderr);
    return EXIT_USAGE;
}
