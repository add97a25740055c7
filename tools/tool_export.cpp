// tembrel-tool export: every word as DIR/NNN.wav, all of them or none.
//
// Names already taken are found before anything is written, and again at
// the very end, where the new files are put in place together; a file that
// appeared meanwhile is never replaced without --force, and even with it
// only plain files are (a pipe or device in the folder would block or
// swallow the audio).
#include "audio/wav.h"
#include "db/file_names.h"
#include "db/operations.h"
#include "io/file_batch.h"
#include "tools/tool_commands.h"
#include "tools/tool_util.h"
#include "io/i18n.h"

#include <cerrno>
#include <cstdio>
#include <glib.h>
#include <string>
#include <sys/stat.h>

namespace {

constexpr int WAV_FORMAT_PCM = 1;

// Whether the word's file may be written: false after saying why.
bool target_free(const std::string& path, bool force)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT)
        return true;
    if (!force) {
        tool_fail(tool_printf(_("%s: Output file already exist"), path.c_str()));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        tool_fail(tool_printf(_("%s: Not a regular file, not replaced"), path.c_str()));
        return false;
    }
    return true;
}

} // namespace

int cmd_export(char** args, const ToolOptions& opts)
{
    if (!tool_output_named(args[1]))
        return EXIT_FAILED;
    SpeechDbPtr db = tool_load(args[0], args[0]);
    if (!db)
        return EXIT_FAILED;
    const std::string dir = args[1];
    // A folder that does not exist yet is made, as a user asking for the
    // words in "words/" expects.
    if (g_mkdir_with_parents(dir.c_str(), 0777) != 0)
        return tool_fail(tool_printf(_("Failed to create folder '%s': %s"), dir.c_str(), g_strerror(errno)));
    const std::uint32_t count = word_count(db.get());
    for (std::uint32_t w = 0; w < count; ++w)
        if (word_audio_size(db.get(), w) != 0 && !target_free(dir + "/" + word_export_name(w), opts.force))
            return tool_fail(_("nothing exported"));

    tool_doing(tool_printf(_("Out of memory while exporting to %s"), dir.c_str()));
    FileBatch batch(dir.c_str());
    if (batch.status() != IO_OK)
        return tool_fail(io_failure_text(dir.c_str(), "Unable to open output file", errno));
    Progress progress(_("exporting"), count);
    std::uint32_t skipped = 0;
    for (std::uint32_t w = 0; w < count; ++w) {
        // A word without audio has nothing to export; say so and go on.
        if (word_audio_size(db.get(), w) == 0) {
            ++skipped;
            std::fprintf(stderr, _("tembrel-tool: word %u has no audio, skipped\n"), w + 1);
            continue;
        }
        const WordPcm pcm = word_pcm(db.get(), w);
        if (pcm.samples.size() > WAV_MAX_DATA)
            return tool_fail(dir + "/" + word_export_name(w) + ": Error saving file");
        std::uint8_t head[WAV_HEADER_SIZE];
        wav_header(WAV_FORMAT_PCM, pcm.sample_rate, pcm.channels, pcm.bits_per_sample,
                   std::uint32_t(pcm.samples.size()), head);
        const std::span<const std::uint8_t> parts[] = {{head, sizeof head}, pcm.samples};
        const IoStatus status = batch.add(word_export_name(w), parts);
        if (status != IO_OK) {
            const char* what = status == IO_OPEN_FAILED ? "Unable to open output file" : "Error saving file";
            tool_fail(io_failure_text((dir + "/" + word_export_name(w)).c_str(), what, errno));
            return tool_fail(_("nothing exported"));
        }
        progress.update(w + 1);
    }
    std::string failed;
    const IoStatus status = batch.commit(opts.force, &failed);
    if (status != IO_OK) {
        const std::string path = dir + "/" + failed;
        tool_fail(status == IO_EXISTS ? tool_printf(_("%s: Output file already exist"), path.c_str())
                                      : io_failure_text(path.c_str(), "Error saving file", errno));
        return tool_fail(_("nothing exported"));
    }
    std::printf(_("Exported %u words.\n"), count - skipped);
    return 0;
}
