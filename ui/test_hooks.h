// Seams for the GUI tests and the benchmarks into state the editor keeps to
// itself. Nothing in the editor calls them. The header holds declarations
// only, so including it ties no part of the editor to another.
#pragma once

#include <glib.h>
#include <string>

struct PhrasesPageWidgets;
struct WordsPageWidgets;
struct Waveform;

// True starts a play that sounds nothing and goes on until false ends it
// the way a real play ends, so the tests can check what waits for a play
// without sound hardware.
void play_session_pretend_for_tests(bool playing);
// Forgets any held-back work and ends a pretended play without running it.
void play_session_reset_for_tests();

// Tears down the window, frees the database and forgets the remembered
// folders and any waiting request, so a test can call shell_build() again
// for a fresh start. Every page build resets its own state.
void shell_destroy_for_tests();

// The folders the two choosers will start in next (empty: the toolkit's
// default), and forgetting them.
const std::string& dialogs_save_folder();
const std::string& dialogs_open_folder();
void dialogs_forget_folders();

// The pages' widgets (valid after the page was built) and their
// selections: a row's number, or -1 when none is selected.
const PhrasesPageWidgets& phrases_page_widgets();
int phrases_page_selected_phrase();
int phrases_page_selected_position();
const WordsPageWidgets& words_page_widgets();
int words_page_selected_word();
int words_page_selected_usage_phrase();
// The waveform each page shows under its word list.
const Waveform& phrases_page_waveform();
const Waveform& words_page_waveform();

// What Help > Contents and the About box's link call to show a URI (the
// desktop's browser by default); null puts the default back.
using HelpUriOpener = bool (*)(const char* uri, GError** error);
void help_set_uri_opener_for_tests(HelpUriOpener opener);
