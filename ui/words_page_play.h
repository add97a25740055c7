// The Words page's plays: "Play" (the selected word), "Play Phrase" (the
// selected phrase of the usage list) and "Play All" (every phrase that uses
// the selected word, one after the other, each selected while it sounds).
// Each does nothing while any play runs, and ends by setting the page's
// buttons again.
#pragma once

#include "ui/words_page_view.h"

void words_page_play_word(WordsView& view);
// Plays the selected word from frame `frame` on (a click in its waveform).
void words_page_play_word_from(WordsView& view, std::size_t frame);
void words_page_play_phrase(WordsView& view);
void words_page_play_all(WordsView& view);
