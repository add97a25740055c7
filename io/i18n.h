// The texts users read, in their language: gettext with the domain
// "tembrel". Texts are written in English in the code, marked with _() where
// they are shown and N_() where they are only listed for translation (a
// table of labels); `make pot` collects them into po/tembrel.pot.
#pragma once

#include <libintl.h>

#define _(text) gettext(text)
#define N_(text) text

// Binds the domain to the catalogs: installed ones beside the program
// (PROGRAM_DIR/../share/locale) or else the build folder's. Call once, after
// setlocale(), before the first text is shown.
void i18n_init();
