// Large files are read and written on a worker: the main loop keeps running
// with a progress bar in the status bar (filled as far as the work has come
// where it can tell), the window's controls wait, and
// closing the window during a load quits only once the load has ended.
#include "db/operations.h"
#include "db/project.h"
#include "io/file_io.h"
#include "shell_fixture.h"
#include "ui/background_work.h"
#include "ui/shell.h"
#include "ui/status_bar.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utility>

namespace {

// What the main loop saw while work ran: how often it ran, the progress
// text, whether the notebook took input, and an optional request made once.
struct Watch {
    int ticks = 0;
    std::string progress;
    bool notebook_sensitive = true;
    void (*request)() = nullptr;
};

gboolean on_watch_idle(gpointer data)
{
    auto* watch = static_cast<Watch*>(data);
    if (!background_work_running())
        return TRUE;
    watch->ticks++;
    watch->progress = status_bar_progress_text();
    watch->notebook_sensitive = gtk_widget_is_sensitive(shell_notebook());
    if (watch->request)
        std::exchange(watch->request, nullptr)();
    return TRUE;
}

class BackgroundWorkTest : public ShellTest {
protected:
    // A project well above the size read on a worker (about 24 MB).
    std::string write_large_project()
    {
        const std::string path = dir.file("large.tbp");
        SpeechDbPtr db = make_generated_db(
            DB_FORMAT_MODERN, 4000, [](std::uint32_t) { return std::size_t(6000); }, 4000, 8);
        ErrorText err;
        EXPECT_TRUE(project_save(db.get(), path.c_str(), &err)) << err.text;
        return path;
    }

    // Every millisecond, ahead of the toolkit's own redraws: an idle at the
    // default priority could wait behind them for the whole of a quick write
    // on a busy machine, and then see nothing.
    guint watch(Watch* w) { return g_timeout_add_full(G_PRIORITY_HIGH, 1, on_watch_idle, w, nullptr); }
};

TEST_F(BackgroundWorkTest, ALargeOpenRunsBesideTheMainLoopAndAQuitWaitsForIt)
{
    const std::string path = write_large_project();
    Watch seen;
    seen.request = shell_quit;
    const guint source = watch(&seen);
    bool loaded_before_quit = false;
    // The quit that waited then runs its whole flow, which writes the
    // window's settings: more than the usual settle time on a slow build.
    EXPECT_TRUE(main_loop_quit_by(
        [&] {
            EXPECT_TRUE(shell_open_file(path.c_str()));
            loaded_before_quit = shell_database() && word_count(shell_database()) == 4000;
        },
        3000));
    g_source_remove(source);
    EXPECT_GT(seen.ticks, 0) << "the main loop ran during the load";
    EXPECT_EQ(seen.progress, "Opening…");
    EXPECT_FALSE(seen.notebook_sensitive);
    EXPECT_TRUE(loaded_before_quit) << "the quit waited for the load";
    EXPECT_EQ(shell_database(), nullptr) << "then quit";
    EXPECT_EQ(status_bar_progress_text(), "");
    EXPECT_TRUE(gtk_widget_is_sensitive(shell_notebook()));
}

TEST_F(BackgroundWorkTest, ALargeSaveWritesOnAWorkerAndMarksTheProjectSaved)
{
    const std::string path = write_large_project();
    ASSERT_TRUE(shell_open_file(path.c_str()));
    SpeechDb* db = shell_database();
    ASSERT_TRUE(word_set_alias(db, 3, "renamed"));
    ASSERT_TRUE(db_is_modified(db));
    std::vector<std::uint8_t> expected;
    ErrorText err;
    ASSERT_TRUE(project_build(db, &expected, &err));

    Watch seen;
    const guint source = watch(&seen);
    EXPECT_TRUE(shell_save());
    g_source_remove(source);
    EXPECT_GT(seen.ticks, 0) << "the main loop ran during the write";
    EXPECT_EQ(seen.progress, "Saving…");
    EXPECT_FALSE(db_is_modified(db));
    EXPECT_EQ(io_read_file(path.c_str()).data, expected);
}

TEST_F(BackgroundWorkTest, ALargeSaveThatFailsIsReportedAsBefore)
{
    const std::string path = write_large_project();
    ASSERT_TRUE(shell_open_file(path.c_str()));
    SpeechDb* db = shell_database();
    ASSERT_TRUE(word_set_alias(db, 3, "renamed"));
    // A folder now stands where the file was: the write cannot replace it.
    ASSERT_EQ(std::remove(path.c_str()), 0);
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    ErrorText direct;
    ASSERT_FALSE(project_save(db, path.c_str(), &direct));
    EXPECT_EQ(direct.cause, errno) << "the message records the errno the save failed with";
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    EXPECT_FALSE(shell_save());
    ASSERT_FALSE(seen_dialogs().empty());
    // The same message, with the file's name and the reason the worker saw.
    EXPECT_EQ(seen_dialogs().back().text, io_failure_text(path.c_str(), direct));
    EXPECT_TRUE(db_is_modified(db));
}

// Work that tells how far it is: the bar pulses until the first part is
// done, then shows the fraction, and goes away with the work. The worker
// moves on only once the main loop has shown each stage, so no timing
// decides what is seen.
TEST_F(BackgroundWorkTest, TheBarPulsesThenShowsTheFractionDoneAndGoesAway)
{
    struct Seen {
        std::atomic<bool> pulsing {false};
        std::atomic<bool> quarter {false};
        std::string text;
    } seen;
    const guint source = g_timeout_add_full(
        G_PRIORITY_HIGH, 1,
        [](gpointer data) -> gboolean {
            auto* s = static_cast<Seen*>(data);
            if (!background_work_running())
                return TRUE;
            s->text = status_bar_progress_text();
            const std::optional<double> fraction = status_bar_progress_fraction();
            if (!fraction)
                s->pulsing = true;
            else if (*fraction > 0.24 && *fraction < 0.26)
                s->quarter = true;
            return TRUE;
        },
        &seen, nullptr);
    WorkProgress progress;
    progress.total = 400;
    const auto wait_for = [](const std::atomic<bool>& flag) {
        for (int i = 0; i < 10000 && !flag; ++i)
            g_usleep(1000);
        return flag.load();
    };
    const bool result = background_work_run(
        "Saving…",
        [&] {
            if (!wait_for(seen.pulsing))
                return false;
            progress.done = 100;
            return wait_for(seen.quarter);
        },
        &progress);
    g_source_remove(source);
    EXPECT_TRUE(seen.pulsing) << "pulsing before anything was done";
    EXPECT_TRUE(seen.quarter) << "then a quarter filled";
    EXPECT_TRUE(result);
    EXPECT_EQ(seen.text, "Saving…");
    EXPECT_EQ(status_bar_progress_text(), "");
    EXPECT_FALSE(status_bar_progress_fraction().has_value());
}

} // namespace
