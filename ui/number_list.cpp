// The number list model: the GtkTreeModel interface over a vector (or a
// plain count). Rows are addressed by index; an iterator carries the index
// and the model's stamp, which changes whenever rows go away, so an
// iterator from before a removal is never taken for a valid one.
#include "ui/number_list.h"

#include <new>

namespace {

struct NumberList {
    GObject parent;
    // Empty and unused while `range` is set.
    std::vector<std::uint32_t> numbers;
    bool range;
    std::uint32_t count;
    int stamp;
};

struct NumberListClass {
    GObjectClass parent_class;
};

GType number_list_get_type();
void number_list_tree_model_init(GtkTreeModelIface* iface);

G_DEFINE_TYPE_WITH_CODE(NumberList, number_list, G_TYPE_OBJECT,
    G_IMPLEMENT_INTERFACE(GTK_TYPE_TREE_MODEL, number_list_tree_model_init))

NumberList* self(GtkTreeModel* model)
{
    return reinterpret_cast<NumberList*>(model);
}

void number_list_init(NumberList* list)
{
    // GObject zero-fills the instance; the vector needs its constructor.
    new (&list->numbers) std::vector<std::uint32_t>();
    list->range = true;
    list->count = 0;
    list->stamp = g_random_int();
}

void number_list_finalize(GObject* object)
{
    reinterpret_cast<NumberList*>(object)->numbers.~vector();
    G_OBJECT_CLASS(number_list_parent_class)->finalize(object);
}

void number_list_class_init(NumberListClass* klass)
{
    G_OBJECT_CLASS(klass)->finalize = number_list_finalize;
}

void set_iter(NumberList* list, GtkTreeIter* iter, std::uint32_t index)
{
    iter->stamp = list->stamp;
    iter->user_data = GUINT_TO_POINTER(index);
    iter->user_data2 = nullptr;
    iter->user_data3 = nullptr;
}

// The row an iterator names; false for a stale or foreign one.
bool index_of(NumberList* list, GtkTreeIter* iter, std::uint32_t& index)
{
    if (!iter || iter->stamp != list->stamp)
        return false;
    index = GPOINTER_TO_UINT(iter->user_data);
    return index < list->count;
}

GtkTreeModelFlags get_flags(GtkTreeModel*)
{
    // Not ITERS_PERSIST: removing a row invalidates every iterator.
    return GTK_TREE_MODEL_LIST_ONLY;
}

gint get_n_columns(GtkTreeModel*)
{
    return 1;
}

GType get_column_type(GtkTreeModel*, gint)
{
    return G_TYPE_UINT;
}

gboolean iter_nth_child(GtkTreeModel* model, GtkTreeIter* iter, GtkTreeIter* parent, gint n)
{
    NumberList* list = self(model);
    if (parent || n < 0 || std::uint32_t(n) >= list->count)
        return FALSE;
    set_iter(list, iter, std::uint32_t(n));
    return TRUE;
}

gboolean get_iter(GtkTreeModel* model, GtkTreeIter* iter, GtkTreePath* path)
{
    if (gtk_tree_path_get_depth(path) != 1)
        return FALSE;
    return iter_nth_child(model, iter, nullptr, gtk_tree_path_get_indices(path)[0]);
}

GtkTreePath* get_path(GtkTreeModel* model, GtkTreeIter* iter)
{
    std::uint32_t index = 0;
    if (!index_of(self(model), iter, index))
        return nullptr;
    return gtk_tree_path_new_from_indices(gint(index), -1);
}

void get_value(GtkTreeModel* model, GtkTreeIter* iter, gint, GValue* value)
{
    NumberList* list = self(model);
    g_value_init(value, G_TYPE_UINT);
    std::uint32_t index = 0;
    if (index_of(list, iter, index))
        g_value_set_uint(value, list->range ? index : list->numbers[index]);
}

gboolean iter_next(GtkTreeModel* model, GtkTreeIter* iter)
{
    NumberList* list = self(model);
    std::uint32_t index = 0;
    if (!index_of(list, iter, index) || index + 1 >= list->count)
        return FALSE;
    set_iter(list, iter, index + 1);
    return TRUE;
}

gboolean iter_children(GtkTreeModel* model, GtkTreeIter* iter, GtkTreeIter* parent)
{
    return iter_nth_child(model, iter, parent, 0);
}

gboolean iter_has_child(GtkTreeModel*, GtkTreeIter*)
{
    return FALSE;
}

gint iter_n_children(GtkTreeModel* model, GtkTreeIter* iter)
{
    return iter ? 0 : gint(self(model)->count);
}

gboolean iter_parent(GtkTreeModel*, GtkTreeIter*, GtkTreeIter*)
{
    return FALSE;
}

void number_list_tree_model_init(GtkTreeModelIface* iface)
{
    iface->get_flags = get_flags;
    iface->get_n_columns = get_n_columns;
    iface->get_column_type = get_column_type;
    iface->get_iter = get_iter;
    iface->get_path = get_path;
    iface->get_value = get_value;
    iface->iter_next = iter_next;
    iface->iter_children = iter_children;
    iface->iter_has_child = iter_has_child;
    iface->iter_n_children = iter_n_children;
    iface->iter_nth_child = iter_nth_child;
    iface->iter_parent = iter_parent;
}

NumberList* new_list()
{
    return static_cast<NumberList*>(g_object_new(number_list_get_type(), nullptr));
}

} // namespace

NumberListPtr number_list_new_range(std::uint32_t count)
{
    NumberList* list = new_list();
    list->count = count;
    return NumberListPtr(GTK_TREE_MODEL(list));
}

NumberListPtr number_list_new(std::vector<std::uint32_t> numbers)
{
    NumberList* list = new_list();
    list->range = false;
    list->count = std::uint32_t(numbers.size());
    list->numbers = std::move(numbers);
    return NumberListPtr(GTK_TREE_MODEL(list));
}

bool number_list_is(GtkTreeModel* model)
{
    return model && G_TYPE_CHECK_INSTANCE_TYPE(model, number_list_get_type());
}

void number_list_set_count(GtkTreeModel* model, std::uint32_t count)
{
    if (!number_list_is(model) || !self(model)->range)
        return;
    NumberList* list = self(model);
    GtkTreeIter iter;
    while (list->count < count) {
        set_iter(list, &iter, list->count);
        ++list->count;
        TreePathPtr path(gtk_tree_path_new_from_indices(gint(list->count - 1), -1));
        gtk_tree_model_row_inserted(model, path.get(), &iter);
    }
    while (list->count > count) {
        --list->count;
        // Iterators to the removed row must not stay valid.
        list->stamp = g_random_int();
        TreePathPtr path(gtk_tree_path_new_from_indices(gint(list->count), -1));
        gtk_tree_model_row_deleted(model, path.get());
    }
}
