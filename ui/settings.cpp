// The settings file through GLib's key files.
#include "ui/settings.h"

#include "ui/gtk_ptr.h"

#include <functional>
#include <glib.h>
#include <memory>

namespace {

struct KeyFileDeleter {
    void operator()(GKeyFile* k) const { g_key_file_free(k); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileDeleter>;

// The file as it is now; empty when it is missing or unreadable.
KeyFilePtr load()
{
    KeyFilePtr keys(g_key_file_new());
    g_key_file_load_from_file(keys.get(), settings_path().c_str(), G_KEY_FILE_KEEP_COMMENTS, nullptr);
    return keys;
}

bool store(const std::function<void(GKeyFile*)>& change)
{
    KeyFilePtr keys = load();
    change(keys.get());
    const std::string path = settings_path();
    GCharPtr folder(g_path_get_dirname(path.c_str()));
    if (g_mkdir_with_parents(folder.get(), 0700) != 0)
        return false;
    gsize length = 0;
    GCharPtr text(g_key_file_to_data(keys.get(), &length, nullptr));
    // Written beside the file and renamed over it.
    return g_file_set_contents(path.c_str(), text.get(), gssize(length), nullptr);
}

// One typed value of the file, or `fallback` when it is missing or does not
// read as that type.
template <typename T, typename Getter>
T get_value(Getter getter, const char* group, const char* key, T fallback)
{
    KeyFilePtr keys = load();
    GError* error = nullptr;
    const auto value = getter(keys.get(), group, key, &error);
    if (error) {
        g_error_free(error);
        return fallback;
    }
    return T(value);
}

} // namespace

std::string settings_path()
{
    // Read on every call rather than once per process, so a test (or a
    // caller that changes the variable) is never held to an old value.
    const char* config = g_getenv("XDG_CONFIG_HOME");
    GCharPtr path(config && g_path_is_absolute(config)
                      ? g_build_filename(config, "tembrel", "settings.ini", nullptr)
                      : g_build_filename(g_get_home_dir(), ".config", "tembrel", "settings.ini", nullptr));
    return path.get();
}

bool settings_get_bool(const char* group, const char* key, bool fallback)
{
    return get_value(g_key_file_get_boolean, group, key, fallback);
}

std::string settings_get_string(const char* group, const char* key, const char* fallback)
{
    KeyFilePtr keys = load();
    GCharPtr value(g_key_file_get_string(keys.get(), group, key, nullptr));
    return value ? value.get() : fallback;
}

int settings_get_int(const char* group, const char* key, int fallback)
{
    return get_value(g_key_file_get_integer, group, key, fallback);
}

bool settings_set_bool(const char* group, const char* key, bool value)
{
    return store([&](GKeyFile* k) { g_key_file_set_boolean(k, group, key, value); });
}

bool settings_set_string(const char* group, const char* key, const char* value)
{
    return store([&](GKeyFile* k) { g_key_file_set_string(k, group, key, value); });
}

bool settings_set_int(const char* group, const char* key, int value)
{
    return store([&](GKeyFile* k) { g_key_file_set_integer(k, group, key, value); });
}

bool settings_set_ints(const char* group, const std::vector<std::pair<std::string, int>>& values)
{
    bool same = true;
    for (const auto& [key, value] : values)
        same = same && settings_get_int(group, key.c_str(), value == 0 ? 1 : 0) == value;
    if (same)
        return true;
    return store([&](GKeyFile* k) {
        for (const auto& [key, value] : values)
            g_key_file_set_integer(k, group, key.c_str(), value);
    });
}
