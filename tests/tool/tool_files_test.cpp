// tembrel-tool against hostile file systems and a hostile environment:
// links planted by another user, saves killed at random moments, file-size
// and address-space limits, closed pipes, full and special outputs. Each
// runs the real program in a process of its own.
#include "audio/adpcm.h"
#include "db/csf.h"
#include "db/operations.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <climits>
#include <cstdlib>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Outcome {
    int status = -1; // exit status, or -1 when killed
    int signal = 0;
    std::string out;
    std::string err;
};

// What a run's child does before it becomes the tool.
struct ChildSetup {
    std::string stdin_path = "/dev/null";
    int stdout_fd = -1; // instead of a captured file
    std::function<void()> before_exec = [] {};
};

const TempDir& capture_dir()
{
    static TempDir dir;
    return dir;
}

std::string read_text(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

pid_t start(const std::vector<std::string>& args, const ChildSetup& setup = {})
{
    const std::string out = capture_dir().file("out");
    const std::string err = capture_dir().file("err");
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    const int in = open(setup.stdin_path.c_str(), O_RDONLY);
    const int o = setup.stdout_fd >= 0 ? setup.stdout_fd : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    setup.before_exec();
    dup2(in, 0);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> argv{const_cast<char*>(TEMBREL_TOOL)};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(TEMBREL_TOOL, argv.data());
    _exit(127);
}

Outcome finish(pid_t pid)
{
    int wait = 0;
    waitpid(pid, &wait, 0);
    Outcome r;
    r.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    r.signal = WIFSIGNALED(wait) ? WTERMSIG(wait) : 0;
    r.out = read_text(capture_dir().file("out"));
    r.err = read_text(capture_dir().file("err"));
    return r;
}

Outcome run(const std::vector<std::string>& args, const ChildSetup& setup = {})
{
    return finish(start(args, setup));
}

void limit(int resource, rlim_t bytes)
{
    rlimit lim{bytes, bytes};
    setrlimit(resource, &lim);
}

// A child that becomes the tool with `resource` limited to `bytes`.
ChildSetup limited(int resource, rlim_t bytes)
{
    ChildSetup setup;
    setup.before_exec = [resource, bytes] { limit(resource, bytes); };
    return setup;
}

void become_nobody()
{
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
        _exit(126);
}

// A database of about `mib` MiB whose image differs with `seed`.
Bytes image_of(std::uint32_t seed, std::size_t mib)
{
    SpeechDbPtr db = make_generated_db(
        DB_FORMAT_MODERN, 256, [mib](std::uint32_t) { return mib * 4096; }, 300, 8, seed);
    return csf_image(db.get());
}

std::string put(const TempDir& dir, const std::string& name, const Bytes& bytes)
{
    write_bytes(dir.file(name), bytes);
    return dir.file(name);
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif

} // namespace

TEST(ToolLinks, LinksOfAnotherUserInASharedFolderAreNeverFollowed)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to plant links owned by another user";
    TempDir dir;
    chmod(dir.path.c_str(), 0755);
    const std::string shared = dir.file("shared");
    mkdir(shared.c_str(), 01777);
    chmod(shared.c_str(), 01777);
    const std::string csf = put(dir, "in.csf", image_of(1, 1));
    const std::string adpcm = put(dir, "in.adpcm", {0x07, 0x75, 0x12, 0x34});
    const std::string wav = put(dir, "in.wav", wav_file_bytes(pcm16_bytes({0, 1000, 2000, 3000})));
    const std::string precious = put(dir, "precious", {'k', 'e', 'e', 'p'});

    // The kernel refuses to follow the existing target's link only with
    // protected_symlinks on; a dangling link is refused by the tool itself.
    const std::string old_setting = read_text("/proc/sys/fs/protected_symlinks");
    std::ofstream("/proc/sys/fs/protected_symlinks") << "1";
    const bool protect = read_text("/proc/sys/fs/protected_symlinks").rfind('1', 0) == 0;
    if (!protect)
        std::cout << "fs.protected_symlinks cannot be set here: only dangling links are checked\n";
    const struct {
        std::vector<std::string> args;
        const char* name;
    } commands[] = {
        {{"save", csf, shared + "/out.csf"}, "out.csf"},
        {{"save", csf, shared + "/out.tbp"}, "out.tbp"},
        {{"decode", adpcm, shared + "/out.wav"}, "out.wav"},
        {{"encode", wav, shared + "/out.adpcm"}, "out.adpcm"},
        {{"export", "--force", csf, shared}, "001.wav"},
    };
    for (const auto& c : commands) {
        for (const std::string& target : {precious, dir.file("created")}) {
            if (!protect && target == precious)
                continue;
            const std::string link = shared + "/" + c.name;
            ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
            ASSERT_EQ(lchown(link.c_str(), 65534, 65534), 0);
            const Outcome r = run(c.args);
            EXPECT_EQ(r.status, 1) << c.args[0] << " " << c.name << ": " << r.err;
            struct stat st {};
            EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << c.name;
            EXPECT_EQ(read_bytes(precious), (Bytes{'k', 'e', 'e', 'p'})) << c.args[0];
            EXPECT_NE(access(dir.file("created").c_str(), F_OK), 0) << c.args[0] << " created a file";
            unlink(link.c_str());
        }
    }
    if (protect)
        std::ofstream("/proc/sys/fs/protected_symlinks") << old_setting;
}

TEST(ToolKills, KilledSavesLeaveOneCompleteVersionAndNoTemporaries)
{
    TempDir sources;
    const Bytes versions[2] = {image_of(1, 4), image_of(2, 4)};
    const std::string inputs[2] = {put(sources, "a.csf", versions[0]), put(sources, "b.csf", versions[1])};
    // Both kinds of file system with unnamed temporaries: the one holding
    // the temporary folder (ext4 here) and tmpfs.
    TempDir disk;
    std::vector<std::string> folders = {disk.path};
    char shm[] = "/dev/shm/tembrel-kills-XXXXXX";
    if (access("/dev/shm", W_OK) == 0 && mkdtemp(shm))
        folders.push_back(shm);
    std::mt19937 rng(7);
    const int signals[] = {SIGKILL, SIGTERM, SIGHUP};
    int killed = 0;
    int strays = 0;
    for (const std::string& folder : folders) {
        const std::string target = folder + "/out.csf";
        // Kills land anywhere in a whole save, which is timed first.
        const auto began = std::chrono::steady_clock::now();
        ASSERT_EQ(run({"save", inputs[0], target}).status, 0);
        const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - began);
        std::uniform_int_distribution<useconds_t> moment(0, useconds_t(whole.count()));
        // At least two seconds and ten saves killed part way (a loaded
        // machine may time the first save long and let later ones finish),
        // but never more than half a minute.
        const auto began_loop = std::chrono::steady_clock::now();
        int killed_here = 0;
        for (int i = 0;; ++i) {
            const auto spent = std::chrono::steady_clock::now() - began_loop;
            if ((spent >= std::chrono::seconds(2) && killed_here >= 10) || spent >= std::chrono::seconds(30))
                break;
            const pid_t pid = start({"save", inputs[i % 2], target});
            usleep(moment(rng));
            kill(pid, signals[i % 3]);
            const Outcome r = finish(pid);
            killed_here += r.signal != 0;
            const Bytes now = read_bytes(target);
            ASSERT_TRUE(now == versions[0] || now == versions[1]) << "after kill " << i << ": " << now.size() << " bytes";
            // A SIGKILL between naming the finished file and renaming it
            // over the target leaves that complete file; nothing else may
            // remain, and the next save removes it.
            for (const std::string& name : dir_entries(folder)) {
                if (name == "out.csf")
                    continue;
                const Bytes stray = read_bytes(folder + "/" + name);
                ASSERT_TRUE(name.rfind(".out.csf.", 0) == 0 && (stray == versions[0] || stray == versions[1]))
                    << "after kill " << i << ": " << name << ", " << stray.size() << " bytes";
                ++strays;
            }
        }
        ASSERT_EQ(run({"save", inputs[0], target}).status, 0);
        EXPECT_EQ(dir_entries(folder), std::vector<std::string>{"out.csf"});
        EXPECT_GT(killed_here, 0) << folder << ": no save was interrupted, the loop tested nothing";
        killed += killed_here;
        if (folder.rfind("/dev/shm/", 0) == 0) {
            unlink(target.c_str());
            rmdir(folder.c_str());
        }
    }
    std::cout << killed << " saves killed part way, " << strays << " complete files seen before the next save\n";
}

TEST(ToolKills, KilledExportsLeaveWholeSetsAndTheNextExportClearsTheirStaging)
{
    TempDir sources;
    const std::string inputs[2] = {put(sources, "a.csf", image_of(1, 4)), put(sources, "b.csf", image_of(2, 4))};
    TempDir out;
    const auto began = std::chrono::steady_clock::now();
    ASSERT_EQ(run({"export", inputs[0], out.path}).status, 0);
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - began);
    const std::vector<std::string> all = dir_entries(out.path);
    ASSERT_EQ(all.size(), 256u);
    std::mt19937 rng(11);
    std::uniform_int_distribution<useconds_t> moment(0, useconds_t(whole.count()));
    const int signals[] = {SIGKILL, SIGTERM, SIGHUP};
    int killed = 0;
    int strays = 0;
    const auto began_loop = std::chrono::steady_clock::now();
    for (int i = 0;; ++i) {
        const auto spent = std::chrono::steady_clock::now() - began_loop;
        if ((spent >= std::chrono::seconds(2) && killed >= 10) || spent >= std::chrono::seconds(30))
            break;
        const pid_t pid = start({"export", "--force", inputs[i % 2], out.path});
        usleep(moment(rng));
        kill(pid, signals[i % 3]);
        const Outcome r = finish(pid);
        killed += r.signal != 0;
        // The words stay a whole set. A SIGKILL leaves its staging folder,
        // and a kill while a later export clears it leaves the rest of it;
        // they never pile up, since each export clears what it finds.
        std::vector<std::string> words;
        int staging = 0;
        for (const std::string& name : dir_entries(out.path)) {
            if (name.rfind(".tembrel-batch-", 0) == 0)
                ++staging;
            else
                words.push_back(name);
        }
        ASSERT_EQ(words, all) << "after kill " << i << " by signal " << r.signal;
        ASSERT_LE(staging, 1) << "staging folders pile up after kill " << i;
        strays += staging;
    }
    ASSERT_EQ(run({"export", "--force", inputs[0], out.path}).status, 0);
    EXPECT_EQ(dir_entries(out.path), all) << "the next export removes what a killed one left";
    EXPECT_GT(killed, 0) << "no export was interrupted, the loop tested nothing";
    std::cout << killed << " exports killed part way, " << strays << " staging folders seen before the next export\n";
}

TEST(ToolDurability, TheFolderIsFlushedAfterTheRenameThatReplacesAFile)
{
    if (std::system("strace -qq -o /dev/null true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "strace is missing or may not trace here: the folder's flush after a replacement is not checked";
    TempDir dir;
    char real[PATH_MAX];
    ASSERT_TRUE(realpath(dir.path.c_str(), real));
    const std::string folder = real;
    const std::string csf = put(dir, "in.csf", image_of(7, 1));
    const std::string adpcm = put(dir, "in.adpcm", {0x07, 0x75, 0x12, 0x34});
    const struct {
        std::vector<std::string> args;
        const char* target;
    } commands[] = {
        {{"save", csf, folder + "/out.csf"}, "out.csf"},
        {{"save", csf, folder + "/out.tbp"}, "out.tbp"},
        {{"decode", adpcm, folder + "/out.wav"}, "out.wav"},
    };
    for (const auto& c : commands) {
        put(dir, c.target, {'o', 'l', 'd'});
        const std::string log = dir.file("trace");
        // The leak checker cannot run under a tracer.
        std::string command = "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 strace -f -qq -o " + log + " -e trace=openat,rename,renameat,renameat2,fsync,fdatasync "
                              + TEMBREL_TOOL;
        for (const auto& a : c.args)
            command += " '" + a + "'";
        ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
        // The folder's descriptor, the rename over the target through it,
        // and a flush of that descriptor after the rename.
        std::string folder_fd;
        bool renamed = false;
        bool flushed = false;
        std::istringstream lines(read_text(log));
        for (std::string line; std::getline(lines, line);) {
            const auto eq = line.rfind(" = ");
            const std::string result = eq == std::string::npos ? "" : line.substr(eq + 3);
            if (contains(line, "openat(AT_FDCWD, \"" + folder + "\", ") && contains(line, "O_DIRECTORY"))
                folder_fd = result;
            else if (!folder_fd.empty() && contains(line, "rename") && contains(line, folder_fd + ", \"" + c.target + "\"")
                     && result.rfind('0', 0) == 0)
                renamed = true;
            else if (renamed && (contains(line, "fsync(" + folder_fd + ")") || contains(line, "fdatasync(" + folder_fd + ")"))
                     && result.rfind('0', 0) == 0)
                flushed = true;
        }
        EXPECT_TRUE(renamed) << c.args[0] << " " << c.target << ": no rename over the target through the folder\n"
                             << read_text(log);
        EXPECT_TRUE(flushed) << c.args[0] << " " << c.target << ": the folder was not flushed after the rename";
        EXPECT_NE(read_bytes(dir.file(c.target)), (Bytes{'o', 'l', 'd'})) << c.target;
    }
}

TEST(ToolLimits, FileSizeLimitFailsWithTheMessageAndLeavesNothing)
{
    TempDir dir;
    const std::string csf = put(dir, "in.csf", image_of(3, 1));
    const std::string adpcm = put(dir, "in.adpcm", Bytes(100000, 0x17));
    mkdir(dir.file("words").c_str(), 0755);
    const std::string old = put(dir, "out.csf", {1, 2, 3});
    const ChildSetup small = limited(RLIMIT_FSIZE, 10000);
    const struct {
        std::vector<std::string> args;
        std::string message;
    } commands[] = {
        {{"save", csf, old}, old + ": Error saving file (File too large)"},
        {{"decode", adpcm, dir.file("new.wav")}, dir.file("new.wav") + ": Error saving file (File too large)"},
        {{"export", csf, dir.file("words")}, "(File too large)"},
    };
    for (const auto& c : commands) {
        const Outcome r = run(c.args, small);
        EXPECT_EQ(r.signal, 0) << c.args[0] << " died of a signal";
        EXPECT_EQ(r.status, 1) << c.args[0];
        EXPECT_TRUE(contains(r.err, c.message)) << r.err;
    }
    EXPECT_EQ(read_bytes(old), (Bytes{1, 2, 3}));
    EXPECT_EQ(dir_entries(dir.path), (std::vector<std::string>{"in.adpcm", "in.csf", "out.csf", "words"}));
    EXPECT_TRUE(dir_entries(dir.file("words")).empty()) << "an export is whole or absent";
}

TEST(ToolLimits, OutOfMemorySaysWhatItWasDoing)
{
    if (SANITIZED)
        GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
    // A valid header announcing one word of 200 MiB; the rest is a hole.
    TempDir dir;
    Bytes head = csf_image(make_db(DB_FORMAT_MODERN, {{1}}, {}).get());
    const std::uint32_t w = (std::uint32_t(head[32]) << 24) | (std::uint32_t(head[33]) << 16) | (head[34] << 8) | head[35];
    const std::uint32_t end = 12 + (200u << 20);
    for (int k = 0; k < 4; ++k)
        head[w + 8 + k] = std::uint8_t(end >> (24 - 8 * k));
    const std::string big = put(dir, "big.csf", head);
    ASSERT_EQ(truncate(big.c_str(), off_t(w) + end), 0);
    const ChildSetup tight = limited(RLIMIT_AS, rlim_t(150) << 20);
    for (const char* command : {"info", "dump"}) {
        const Outcome r = run({command, big}, tight);
        EXPECT_EQ(r.status, 1) << command << " " << r.signal;
        EXPECT_TRUE(contains(r.err, "tembrel-tool: Out of memory while loading " + big)) << r.err;
    }
    EXPECT_EQ(run({"info", big}).status, 0) << "the file itself is sound";
}

TEST(ToolPipes, AReaderThatWentAwayIsAWriteError)
{
    TempDir dir;
    const std::string csf = put(dir, "in.csf", image_of(4, 1));
    const std::string adpcm = put(dir, "in.adpcm", Bytes(1 << 20, 0x35));
    const struct {
        std::vector<std::string> args;
        const char* message;
    } commands[] = {
        {{"dump", csf}, "Error writing output (Broken pipe)"},
        {{"decode", adpcm, "-"}, "-: Error saving file (Broken pipe)"},
    };
    for (const auto& c : commands) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        close(fds[0]);
        ChildSetup closed;
        closed.stdout_fd = fds[1];
        const Outcome r = run(c.args, closed);
        close(fds[1]);
        EXPECT_EQ(r.signal, 0) << c.args[0];
        EXPECT_EQ(r.status, 1) << c.args[0];
        EXPECT_TRUE(contains(r.err, c.message)) << r.err;
    }
}

TEST(ToolExport, TakenNamesRefuseTheWholeExport)
{
    TempDir dir;
    const std::string csf = put(dir, "in.csf", csf_image(make_db(DB_FORMAT_MODERN, {{1, 2}, {3, 4}, {5, 6}}, {}).get()));
    const std::string out = dir.file("words");
    const struct {
        const char* what;
        std::function<void()> plant;
        bool force;
        const char* message;
    } cases[] = {
        {"an unreadable file", [&] { write_bytes(out + "/002.wav", {9}); chmod((out + "/002.wav").c_str(), 0); }, false,
         "002.wav: Output file already exist"},
        {"a dangling link", [&] { symlink("nowhere", (out + "/003.wav").c_str()); }, false,
         "003.wav: Output file already exist"},
        {"a named pipe", [&] { mkfifo((out + "/002.wav").c_str(), 0644); }, true, "002.wav: Not a regular file"},
    };
    for (const auto& c : cases) {
        mkdir(out.c_str(), 0755);
        c.plant();
        const std::vector<std::string> before = dir_entries(out);
        ChildSetup bounded;
        bounded.before_exec = [] { alarm(10); };
        std::vector<std::string> args = {"export", csf, out};
        if (c.force)
            args.insert(args.begin() + 1, "--force");
        const Outcome r = run(args, bounded);
        EXPECT_EQ(r.status, 1) << c.what << " " << r.signal;
        EXPECT_TRUE(contains(r.err, c.message)) << c.what << ": " << r.err;
        EXPECT_EQ(dir_entries(out), before) << c.what << ": nothing of the export may remain";
        for (const auto& name : before)
            unlink((out + "/" + name).c_str());
        rmdir(out.c_str());
    }
}

TEST(ToolOutputs, StandardStreamsPipesAndDevices)
{
    TempDir dir;
    const Bytes adpcm = {0x07, 0x75, 0x12, 0x34};
    const std::string in = put(dir, "in.adpcm", adpcm);
    Bytes wav = wav_file_bytes(adpcm_decode(adpcm.data(), adpcm.size()));

    // `decode x /dev/stdout >> log` appends to the log instead of replacing it.
    const std::string log = put(dir, "log", {'l', 'o', 'g'});
    ChildSetup to_log;
    const int fd = open(log.c_str(), O_WRONLY | O_APPEND);
    to_log.stdout_fd = fd;
    EXPECT_EQ(run({"decode", in, "/dev/stdout"}, to_log).status, 0);
    EXPECT_EQ(run({"decode", in, "-"}, to_log).status, 0);
    close(fd);
    Bytes expect = {'l', 'o', 'g'};
    expect.insert(expect.end(), wav.begin(), wav.end());
    expect.insert(expect.end(), wav.begin(), wav.end());
    EXPECT_EQ(read_bytes(log), expect);

    // "-" reads standard input, a pipe included.
    const std::string wav_in = put(dir, "in.wav", wav);
    const std::string csf = put(dir, "in.csf", image_of(5, 1));
    for (const auto& [command, input, check] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"encode", wav_in, "out.adpcm"}, {"decode", in, "out.wav"}, {"dump", csf, ""}}) {
        ChildSetup piped;
        piped.stdin_path = dir.file("fifo");
        mkfifo(piped.stdin_path.c_str(), 0644);
        const pid_t feeder = fork();
        if (feeder == 0) {
            const Bytes data = read_bytes(input);
            const int w = open(piped.stdin_path.c_str(), O_WRONLY);
            _exit(write(w, data.data(), data.size()) == ssize_t(data.size()) ? 0 : 1);
        }
        std::vector<std::string> args = {command, "-"};
        if (!check.empty())
            args.push_back(dir.file(check));
        const Outcome r = run(args, piped);
        waitpid(feeder, nullptr, 0);
        unlink(piped.stdin_path.c_str());
        EXPECT_EQ(r.status, 0) << command << ": " << r.err;
    }
    EXPECT_EQ(read_bytes(dir.file("out.wav")), wav);
    EXPECT_EQ(read_bytes(dir.file("out.adpcm")), adpcm);

    // A named pipe without a reader fails at once instead of waiting.
    mkfifo(dir.file("nobody.csf").c_str(), 0644);
    ChildSetup bounded;
    bounded.before_exec = [] { alarm(10); };
    const Outcome r = run({"save", csf, dir.file("nobody.csf")}, bounded);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "nobody.csf: Unable to open output file (No such device or address)")) << r.err;
}

TEST(ToolArguments, DashDashEmptyNamesAndSilentPhrases)
{
    TempDir dir;
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{1, 2}, {}}, {{0}, {1, 1}});
    const std::string dashed = put(dir, "-w.csf", csf_image(db.get()));
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    EXPECT_EQ(run({"info", "--", "-w.csf"}).status, 0);
    EXPECT_EQ(run({"info", "-w.csf"}).status, 2) << "without -- it is an option";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"save", "-w.csf", ""}, {"import", "-w.csf", ".", ""}, {"export", "-w.csf", ""},
          {"encode", "x.wav", ""}, {"decode", "x.adpcm", ""}}) {
        std::vector<std::string> with = args;
        with.insert(with.begin() + 1, "--");
        const Outcome r = run(with);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, "tembrel-tool: Invalid output filename\n") << args[0];
    }
    const Outcome silent = run({"play", "--phrase", "2", "--", "-w.csf"});
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.err, "tembrel-tool: phrase 2 has no audio\n");
    ASSERT_EQ(chdir("/"), 0);
}

TEST(ToolMessages, FailuresNameTheFileAndTheReason)
{
    TempDir dir;
    chmod(dir.path.c_str(), 0755);
    const std::string csf = put(dir, "in.csf", image_of(6, 2));
    chmod(csf.c_str(), 0644);
    const std::string ro = dir.file("ro");
    mkdir(ro.c_str(), 0555);
    ChildSetup as_nobody;
    as_nobody.before_exec = become_nobody;
    const Outcome denied = run({"save", csf, ro + "/out.csf"}, as_nobody);
    if (geteuid() == 0 || access(ro.c_str(), W_OK) != 0) {
        EXPECT_EQ(denied.err, "tembrel-tool: " + ro + "/out.csf: Unable to open output file (Permission denied)\n");
    }
    put(dir, "bad.csf", {'n', 'o', 'p', 'e', 0, 0, 0, 0});
    EXPECT_EQ(run({"info", dir.file("bad.csf")}).err, "tembrel-tool: " + dir.file("bad.csf") + ": Unrecognized file format\n");

    // A full file system: a 1 MiB tmpfs, mounted where we may.
    const std::string small = dir.file("small");
    mkdir(small.c_str(), 0755);
    if (mount("tembrel-test", small.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a 1 MiB tmpfs here (needs root): the full-disk case is not checked";
    const Outcome full = run({"save", csf, small + "/out.csf"});
    const Outcome full_export = run({"export", csf, small});
    umount(small.c_str());
    EXPECT_EQ(full.err, "tembrel-tool: " + small + "/out.csf: Error saving file (No space left on device)\n");
    EXPECT_EQ(full_export.status, 1);
    EXPECT_TRUE(contains(full_export.err, "(No space left on device)")) << full_export.err;
}

namespace {

// The tool run under an address-space limit, in a folder of the test's own.
class ToolMemory : public testing::Test {
protected:
    void SetUp() override
    {
        if (SANITIZED)
            GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
    }
    TempDir dir;
};

} // namespace

TEST_F(ToolMemory, RefusedAndDecodedFilesStayWithinTheirBound)
{
    // 3 GiB of zeros is refused from its first bytes.
    const std::string zeros = dir.file("zeros.csf");
    write_bytes(zeros, {});
    ASSERT_EQ(truncate(zeros.c_str(), off_t(3) << 30), 0);
    // 64 MiB of ADPCM decode to 256 MiB of samples, block by block.
    const std::string adpcm = dir.file("long.adpcm");
    write_bytes(adpcm, {});
    ASSERT_EQ(truncate(adpcm.c_str(), off_t(64) << 20), 0);
    // Room for the input and 128 MiB more, where decoding it whole would
    // take five times the input.
    const ChildSetup bound = limited(RLIMIT_AS, rlim_t(192) << 20);
    const Outcome refused = run({"info", zeros}, bound);
    EXPECT_TRUE(contains(refused.err, "Unrecognized file format")) << refused.err;
    const Outcome decoded = run({"decode", adpcm, dir.file("long.wav")}, bound);
    EXPECT_EQ(decoded.status, 0) << decoded.err;
    struct stat st {};
    stat(dir.file("long.wav").c_str(), &st);
    EXPECT_EQ(st.st_size, (off_t(256) << 20) + 44);
    // An input whose samples could not fit a WAV file is refused before
    // it is read, let alone decoded.
    ASSERT_EQ(truncate(adpcm.c_str(), (off_t(1) << 30) + 1), 0);
    const Outcome too_long = run({"decode", adpcm, dir.file("too.wav")}, bound);
    EXPECT_EQ(too_long.status, 1);
    EXPECT_TRUE(contains(too_long.err, "too.wav: Error saving file (File too large)\n")) << too_long.err;
}

// A sound file's header says how long it is, but only reading it shows
// what it holds: a few kilobytes of FLAC claiming billions of samples are
// refused as broken when they end, having taken no more room than they
// hold. Before, the claim alone took the room (4.2 GB for 2^31 samples).
TEST_F(ToolMemory, SoundFileLengthClaimsAreNotTakenOnTrust)
{
    const std::string flac = dir.file("short.flac");
    ASSERT_EQ(std::system(("sox -V1 -n -r 16000 -c 1 -b 16 " + flac + " synth 0.5 sine 440").c_str()), 0);
    const Bytes real = read_bytes(flac);
    ASSERT_GT(real.size(), 26u);
    ASSERT_EQ(std::memcmp(real.data(), "fLaC", 4), 0);
    const ChildSetup bound = limited(RLIMIT_AS, rlim_t(192) << 20);
    for (const std::uint64_t claimed : {std::uint64_t(1) << 28, std::uint64_t(1) << 31, (std::uint64_t(1) << 36) - 1}) {
        SCOPED_TRACE(claimed);
        // The total sample count: 36 bits, from the low half of byte 21 of
        // the file to the end of byte 25.
        Bytes lying = real;
        lying[21] = std::uint8_t((lying[21] & 0xf0) | (claimed >> 32));
        for (int k = 0; k < 4; ++k)
            lying[std::size_t(22 + k)] = std::uint8_t(claimed >> (24 - 8 * k));
        const std::string path = dir.file("lying.flac");
        write_bytes(path, lying);
        const Outcome outcome = run({"encode", "--convert", path, dir.file("lying.adpcm")}, bound);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, "tembrel-tool: Error reading '" + path + "'\n");
    }
    const Outcome whole = run({"encode", "--convert", flac, dir.file("short.adpcm")}, bound);
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(read_bytes(dir.file("short.adpcm")).size(), 4000u);
}

namespace {

void put_u32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        b[at + std::size_t(k)] = std::uint8_t(v >> (24 - 8 * k));
}

void append_u32(Bytes& b, std::uint32_t v)
{
    b.resize(b.size() + 4);
    put_u32(b, b.size() - 4, v);
}

// A modern image whose phrase p holds `refs[p]` references to `word`
// (counted from 1; 0 is invalid) and with `words` words, of which only the
// first has audio.
Bytes image_of_phrases(const std::vector<std::uint32_t>& refs, std::uint32_t words, std::uint32_t word = 1)
{
    const auto phrases = std::uint32_t(refs.size());
    Bytes b(40, 0);
    std::memcpy(b.data(), "CSF OKI MSM6585\0" "0002", 20);
    put_u32(b, 20, 1);
    put_u32(b, 28, 40);
    append_u32(b, phrases);
    std::uint32_t at = 4 * phrases + 8;
    append_u32(b, at);
    for (std::uint32_t n : refs)
        append_u32(b, at += 4 * n);
    for (std::uint32_t n : refs)
        for (std::uint32_t r = 0; r < n; ++r)
            append_u32(b, word);
    put_u32(b, 32, std::uint32_t(b.size()));
    append_u32(b, words);
    append_u32(b, 4 * words + 8);
    for (std::uint32_t w = 0; w < words; ++w)
        append_u32(b, 4 * words + 12);
    append_u32(b, 0x07751234);
    put_u32(b, 36, std::uint32_t(b.size()));
    return b;
}

// `phrases` phrases of `refs` references each: the shapes whose entries
// cost the most memory for the bytes they take.
Bytes shaped_image(std::uint32_t phrases, std::uint32_t refs, std::uint32_t words)
{
    return image_of_phrases(std::vector<std::uint32_t>(phrases, refs), words);
}

} // namespace

TEST_F(ToolMemory, WorstShapesNeedAtMostEightTimesTheirSize)
{
    constexpr std::uint32_t EIGHT_MIB_OF_FIELDS = 2u << 20;
    const struct {
        const char* shape;
        Bytes image;
        bool loads;
    } shapes[] = {
        {"empty words", shaped_image(0, 0, EIGHT_MIB_OF_FIELDS), false},
        {"empty phrases", shaped_image(EIGHT_MIB_OF_FIELDS, 0, 1), false},
        {"phrases of 32 words", shaped_image(EIGHT_MIB_OF_FIELDS / 33, 32, 1), true},
        {"a few empty entries", shaped_image(100000, 1, 100000), true},
    };
    for (const auto& s : shapes) {
        const std::string in = put(dir, "in.csf", s.image);
        const rlim_t bound = rlim_t(8) * s.image.size() + (rlim_t(64) << 20);
        const ChildSetup within = limited(RLIMIT_AS, bound);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"info", in}, {"dump", in}, {"save", in, dir.file("out.csf")}}) {
            const Outcome r = run(args, within);
            EXPECT_EQ(r.signal, 0) << s.shape << ", " << args[0];
            EXPECT_EQ(r.status, s.loads ? 0 : 1) << s.shape << ", " << args[0] << ": " << r.err;
            if (!s.loads) {
                EXPECT_EQ(r.err, "tembrel-tool: " + in + ": Too many words and phrases for the size of the file\n")
                    << s.shape << ", " << args[0];
            }
        }
        if (s.loads) {
            EXPECT_EQ(read_bytes(dir.file("out.csf")), s.image) << s.shape << ": written back as it was";
        }
        unlink(dir.file("out.csf").c_str());
    }
}

TEST(ToolMessages, NumbersOfWordsAndPhrasesCountFromOneLikeTheOutput)
{
    TempDir dir;
    const struct {
        Bytes image;
        const char* message; // after "tembrel-tool: PATH: "
    } cases[] = {
        {image_of_phrases({1, 1, 1, 1, 1, 33, 1}, 1), "phrase 6: Too many words"},
        {image_of_phrases({1, 1, 1}, 2, 3), "phrase 1: Invalid word number"},
        {[] {
             // Word 3 (0-based) ends before it starts.
             Bytes b = image_of_phrases({1}, 5);
             const std::size_t w = (std::size_t(b[34]) << 8) | b[35];
             put_u32(b, w + 4 + 4 * 4, 0);
             return b;
         }(),
         "word 4: Invalid audio offset"},
    };
    for (const auto& c : cases) {
        const std::string in = put(dir, "in.csf", c.image);
        for (const char* command : {"info", "dump"}) {
            const Outcome r = run({command, in});
            EXPECT_EQ(r.err, "tembrel-tool: " + in + ": " + c.message + "\n") << command;
        }
    }
    // A phrase without audio is numbered as `dump` numbers it.
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{1, 2}, {}}, {{0}, {1}, {1, 1}});
    const std::string csf = put(dir, "silent.csf", csf_image(db.get()));
    const Outcome r = run({"export-phrase", csf, "3", dir.file("p.wav")});
    EXPECT_EQ(r.err, "tembrel-tool: " + dir.file("p.wav") + ": phrase 3: No data\n");
}
