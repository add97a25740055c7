// The window icon: a 16 x 16 image kept in the inline serialisation the
// build generates from ui/tembrel_icon.png, black standing for "no pixel".
#include "ui/app_icon.h"

#include "ui/gtk_ptr.h"

// Generated at build time from ui/tembrel_icon.png.
#include "tembrel_icon.h"

GdkPixbuf* app_icon_new()
{
    // The inline image API is deprecated in favour of resources, but it is
    // exactly the serialisation the icon is kept in.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GObjectPtr<GdkPixbuf> image(gdk_pixbuf_new_from_inline(sizeof TEMBREL_ICON, TEMBREL_ICON, FALSE, nullptr));
    G_GNUC_END_IGNORE_DEPRECATIONS
    if (!image)
        return nullptr;
    return gdk_pixbuf_add_alpha(image.get(), TRUE, 0, 0, 0);
}
