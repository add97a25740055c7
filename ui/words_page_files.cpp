// The Words page's file actions: replacing a word's audio from a WAV file
// and saving a word as one.
//
// The choosers run a loop of their own, in which the page may be handed
// another database; the action then does nothing, since the word it was
// asked for belongs to a database that is gone.
#include "ui/words_page_files.h"

#include "db/operations.h"
#include "io/error_text.h"
#include "ui/dialogs.h"
#include "ui/play_session.h"

#include <cstdio>
#include <string>

namespace {

constexpr std::size_t WAV_PATH_SIZE = 4096;

void show_audio_file_error(const char* action, const char* err)
{
    std::string message = std::string("Error ") + action + " audio file\n" + err;
    dialogs_show_error(message.c_str());
}

} // namespace

bool words_page_replace_audio(SpeechDb* db, std::uint32_t word)
{
    const unsigned generation = play_session_generation();
    char path[WAV_PATH_SIZE];
    if (!dialogs_choose_open_path(path, sizeof path) || generation != play_session_generation())
        return false;
    char err[ERROR_BUFFER_SIZE] = "";
    if (word_import_wav(db, word, path, err))
        return true;
    show_audio_file_error("loading", err);
    return false;
}

void words_page_export_audio(const SpeechDb* db, std::uint32_t word)
{
    const unsigned generation = play_session_generation();
    char suggested[32];
    std::snprintf(suggested, sizeof suggested, "%03u.wav", word + 1);
    char path[WAV_PATH_SIZE];
    if (!dialogs_choose_save_path(suggested, path, sizeof path) || generation != play_session_generation())
        return;
    char err[ERROR_BUFFER_SIZE] = "";
    if (!word_export_wav(db, word, path, true, err))
        show_audio_file_error("saving", err);
}
