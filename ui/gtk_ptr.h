// Owning pointers for what GLib and GTK+ hand out: strings to g_free,
// objects to g_object_unref, lists to g_list_free, tree paths to
// gtk_tree_path_free.
#pragma once

#include <glib-object.h>
#include <gtk/gtk.h>
#include <memory>

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct GObjectUnref {
    void operator()(void* p) const { g_object_unref(p); }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
using GtkListStorePtr = GObjectPtr<GtkListStore>;
using GtkTreeModelRef = GObjectPtr<GtkTreeModel>;

// Frees the list cells only, not what they point at.
struct GListDeleter {
    void operator()(GList* l) const { g_list_free(l); }
};
using GListPtr = std::unique_ptr<GList, GListDeleter>;

struct TreePathDeleter {
    void operator()(GtkTreePath* p) const { gtk_tree_path_free(p); }
};
using TreePathPtr = std::unique_ptr<GtkTreePath, TreePathDeleter>;
