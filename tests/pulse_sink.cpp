// A private PulseAudio daemon with a null sink, and a recorder of its
// monitor (pulse_sink.h).
#include "tests/pulse_sink.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int RATE = 16000;
// How long the daemon may take to open its socket.
constexpr auto START_LIMIT = std::chrono::seconds(10);
// The recorder's own latency: small, so arrivals follow the sink closely.
constexpr const char* RECORD_LATENCY_MS = "10";

// The environment with `extra` ("NAME=value") put in front.
std::vector<std::string> environment_with(const std::vector<std::string>& extra)
{
    std::vector<std::string> env = extra;
    for (char** e = environ; *e; ++e) {
        bool replaced = false;
        for (const std::string& x : extra)
            replaced = replaced || std::strncmp(*e, x.c_str(), x.find('=') + 1) == 0;
        if (!replaced)
            env.emplace_back(*e);
    }
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// Starts `args` with environment `env`, its standard output going to
// `out_fd` when that is not -1. The pid, or -1.
pid_t spawn(std::vector<std::string> args, std::vector<std::string> env, int out_fd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out_fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(env);
    pid_t pid = -1;
    const int err = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return err == 0 ? pid : -1;
}

void end_process(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

} // namespace

PulseSink::PulseSink()
{
    const std::string socket = dir_.file("native");
    const std::string runtime = dir_.file("runtime");
    mkdir(runtime.c_str(), 0700);
    // The daemon gets a home and runtime folder of its own, so it neither
    // meets nor disturbs a desktop's sound server; clients find it through
    // the socket named in the ALSA configuration.
    daemon_ = spawn(
        { "pulseaudio", "-n", "--daemonize=no", "--use-pid-file=no", "--exit-idle-time=-1", "--log-level=error",
            "--enable-memfd=no",
            "-L", "module-null-sink sink_name=out rate=16000 channels=1", "-L",
            "module-native-protocol-unix auth-anonymous=1 socket=" + socket },
        environment_with({ "HOME=" + dir_.path, "XDG_RUNTIME_DIR=" + runtime, "XDG_CONFIG_HOME=" + dir_.path }), -1);
    if (daemon_ <= 0) {
        why_not_ = "pulseaudio could not be started (is it installed?)";
        return;
    }
    const auto limit = Clock::now() + START_LIMIT;
    while (!exists(socket)) {
        int status = 0;
        if (waitpid(daemon_, &status, WNOHANG) == daemon_) {
            daemon_ = -1;
            why_not_ = "pulseaudio exited at start";
            return;
        }
        if (Clock::now() > limit) {
            end_process(daemon_);
            daemon_ = -1;
            why_not_ = "pulseaudio opened no socket in time";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::string config = dir_.file("asound.conf");
    std::ofstream(config) << "pcm.!default { type pulse; server \"unix:" << socket << "\" }\n"
                          << "ctl.!default { type pulse; server \"unix:" << socket << "\" }\n";
    if (const char* old = std::getenv("ALSA_CONFIG_PATH")) {
        had_config_ = true;
        old_config_ = old;
    }
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
}

PulseSink::~PulseSink()
{
    stop_recording();
    end_process(daemon_);
    if (daemon_ <= 0)
        return;
    if (had_config_)
        setenv("ALSA_CONFIG_PATH", old_config_.c_str(), 1);
    else
        unsetenv("ALSA_CONFIG_PATH");
}

bool PulseSink::start_recording()
{
    if (!ok() || recorder_ > 0)
        return false;
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    recorder_ = spawn({ "parec", "--server=unix:" + dir_.file("native"), "--device=out.monitor", "--raw",
                          "--format=s16le", "--rate=16000", "--channels=1",
                          std::string("--latency-msec=") + RECORD_LATENCY_MS },
        environment_with({ "HOME=" + dir_.path }), fds[1]);
    close(fds[1]);
    if (recorder_ <= 0) {
        close(fds[0]);
        return false;
    }
    reader_ = std::thread([this, fd = fds[0]] { read_recording(fd); });
    // Flowing, and long enough for the sink to have taken the recorder's
    // short latency: until then it renders in large blocks.
    const auto limit = Clock::now() + START_LIMIT;
    while (samples().size() < RATE / 2) {
        if (Clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void PulseSink::stop_recording()
{
    end_process(recorder_);
    recorder_ = -1;
    if (reader_.joinable())
        reader_.join();
}

void PulseSink::read_recording(int fd)
{
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        const auto now = Clock::now();
        std::lock_guard<std::mutex> lock(mutex_);
        bytes_.insert(bytes_.end(), buffer, buffer + n);
        pieces_.push_back({ bytes_.size() / 2, now });
    }
    close(fd);
}

std::vector<std::int16_t> PulseSink::samples() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::int16_t> out(bytes_.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = std::int16_t(bytes_[2 * i] | (bytes_[2 * i + 1] << 8));
    return out;
}

PulseSink::Clock::time_point PulseSink::out_by(std::size_t index) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Piece& piece : pieces_)
        if (index < piece.end)
            return piece.arrived - std::chrono::microseconds(std::uint64_t(piece.end - index - 1) * 1000000 / RATE);
    return Clock::time_point::max();
}
