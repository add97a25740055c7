// The window icon, embedded in the program.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

// The 16 x 16 window icon with every pure black pixel made transparent.
// A new reference, or null if the embedded image is damaged.
GdkPixbuf* app_icon_new();
