// The Words page's file actions: replacing a word's audio from a sound
// file (converted when the user agrees) and saving a word as a WAV file.
//
// The choosers run a loop of their own, in which the page may be handed
// another database; the action then does nothing, since the word it was
// asked for belongs to a database that is gone.
#include "ui/words_page_files.h"
#include "io/i18n.h"

#include "audio/sound_file.h"
#include "db/file_names.h"
#include "db/operations.h"
#include "db/word_import.h"
#include "io/error_text.h"
#include "io/file_io.h"
#include "ui/convert_dialog.h"
#include "ui/dialogs.h"
#include "ui/gtk_ptr.h"
#include "ui/import_choices.h"
#include "ui/play_session.h"
#include "ui/status_bar.h"
#include "ui/widgets.h"

#include <cerrno>
#include <new>
#include <string>

namespace {

constexpr std::size_t WAV_PATH_SIZE = 4096;

void show_audio_file_error(bool loading, const char* err)
{
    GCharPtr text(
        g_strdup_printf(loading ? _("Error loading audio file\n%s") : _("Error saving audio file\n%s"), err));
    dialogs_show_error(text.get());
}

bool replace_audio(SpeechDb* db, std::uint32_t word)
{
    const unsigned generation = play_session_generation();
    char path[WAV_PATH_SIZE];
    if (!dialogs_choose_open_path(path, sizeof path) || generation != play_session_generation())
        return false;
    // A file in the database's format goes in as it is, with the encoder
    // the user chose last.
    ErrorText err;
    ImportOptions as_is;
    as_is.quality = import_choices_load().quality;
    if (word_import_audio(db, word, path, as_is, nullptr, &err))
        return true;
    // A sound file in another format is a question instead of a refusal;
    // what cannot be read at all, or is refused for anything but its
    // format, keeps the reader's message.
    ErrorText probe_err;
    const auto format = sound_file_probe(path, &probe_err);
    if (!format || sound_format_is_native(*format)) {
        show_audio_file_error(true, err);
        return false;
    }
    GCharPtr name(g_filename_display_basename(path));
    const auto choices = convert_dialog_ask(name.get(), *format);
    if (!choices || generation != play_session_generation())
        return false;
    const ImportOptions options = import_choices_options(*choices, db, true);
    if (word_import_audio(db, word, path, options, nullptr, &err))
        return true;
    show_audio_file_error(true, err);
    return false;
}

} // namespace

bool words_page_replace_audio(SpeechDb* db, std::uint32_t word)
{
    try {
        return replace_audio(db, word);
    } catch (const std::bad_alloc&) {
        // The word keeps its audio: it is replaced only once the new one is whole.
        show_audio_file_error(true, _("Out of memory"));
        return false;
    }
}

void words_page_export_audio(const SpeechDb* db, std::uint32_t word)
{
    const unsigned generation = play_session_generation();
    const std::string suggested = word_export_name(word);
    char path[WAV_PATH_SIZE];
    if (!dialogs_choose_save_path(suggested.c_str(), path, sizeof path) || generation != play_session_generation())
        return;
    ErrorText err;
    try {
        if (!word_export_wav(db, word, path, true, &err)) {
            show_audio_file_error(false, err.cause != 0 ? io_failure_text(path, err).c_str() : err);
            return;
        }
    } catch (const std::bad_alloc&) {
        show_audio_file_error(false, _("Out of memory"));
        return;
    }
    GCharPtr shown(g_filename_display_name(path));
    status_bar_set(StatusContext::Feedback, printf_text(_("Exported word %u to %s"), word + 1, shown.get()));
}
