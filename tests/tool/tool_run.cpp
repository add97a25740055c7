// Running the built tembrel-tool for the tool tests.
#include "tool_run.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

ToolRun tool(std::vector<std::string> args)
{
    args.insert(args.begin(), TEMBREL_TOOL);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    ToolRun r;
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint wait = 0;
    GError* error = nullptr;
    bool ok = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err, &wait, &error);
    EXPECT_TRUE(ok) << (error ? error->message : "");
    if (error)
        g_error_free(error);
    r.out = out ? out : "";
    r.err = err ? err : "";
    g_free(out);
    g_free(err);
    r.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    return r;
}

std::string save_csf(const TempDir& dir, const SpeechDb* db, const char* name)
{
    const std::vector<std::uint8_t> image = csf_image(db);
    EXPECT_FALSE(image.empty());
    std::string path = dir.file(name);
    write_bytes(path, image);
    return path;
}

