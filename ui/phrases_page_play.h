// The Phrases page's plays: "Play Phrase" (the selected phrase word by word,
// each word selected while it sounds) and "Play Word" (the word at the
// selected position). Each does nothing while any play runs, and ends by
// setting the page's buttons again.
#pragma once

#include "ui/phrases_page_view.h"

void phrases_page_play_phrase(PhrasesView& view);
// Plays the selected phrase from frame `frame` of the word at `position`
// on (a click in its waveform).
void phrases_page_play_phrase_from(PhrasesView& view, std::size_t position, std::size_t frame);
void phrases_page_play_word(PhrasesView& view);
