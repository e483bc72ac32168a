// The POSIX player as the demo drives it, with SDL's disk audio driver standing in for a sound
// card: what would be heard is captured as raw samples and measured. The disk driver writes in
// real time, so each case runs a few seconds at most. Every case runs in a child process under a
// deadline, so a hang fails the test instead of stalling it.
#include "platform/sound/media_player.hpp"

#include <SDL.h>
#include <SDL_mixer.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/platform/sound/media_audio_analysis.hpp"

namespace {

namespace fs = std::filesystem;
using namespace audio_analysis;

constexpr double AUDIBLE = 0.001;  // -60 dBFS
constexpr std::size_t BYTES_PER_SECOND = RATE * 2 * 2;
constexpr int DEADLINE_MS = 15000;

// --- Running a case in a child ------------------------------------------------------------

struct ChildRun {
    bool finished = false;  // ended before the deadline
    int status = 0;         // waitpid status
    std::string report;     // what the child wrote to its report pipe
};

void sleep_ms(int ms) {
    timespec t{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

// `body` runs in a forked child and returns its report; the child is killed at the deadline.
ChildRun run_child(const std::function<std::string()>& body, int deadline_ms = DEADLINE_MS) {
    int report_pipe[2];
    if (pipe(report_pipe) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(report_pipe[0]);
        const std::string report = body();
        const ssize_t written = write(report_pipe[1], report.data(), report.size());
        _exit(written == static_cast<ssize_t>(report.size()) ? 0 : 3);
    }
    close(report_pipe[1]);
    ChildRun run;
    for (int waited = 0; waited <= deadline_ms; waited += 10) {
        if (waitpid(pid, &run.status, WNOHANG) == pid) {
            run.finished = true;
            break;
        }
        sleep_ms(10);
    }
    if (!run.finished) {
        kill(pid, SIGKILL);
        waitpid(pid, &run.status, 0);
    }
    char buffer[4096];
    fcntl(report_pipe[0], F_SETFL, O_NONBLOCK);
    ssize_t got = 0;
    while ((got = read(report_pipe[0], buffer, sizeof buffer)) > 0) {
        run.report.append(buffer, static_cast<std::size_t>(got));
    }
    close(report_pipe[0]);
    return run;
}

bool exited_cleanly(const ChildRun& run) {
    return run.finished && WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0;
}

// The player's answers as numbers, for a child's report.
constexpr long code(MusicStatus status) { return static_cast<long>(status); }
long open_track(const std::string& file) { return code(open_music(file.c_str())); }
long play_track() { return code(play_music()); }
long close_track() { return code(close_music()); }

constexpr long OK = code(MusicStatus::ok);
constexpr long NOT_OPEN = code(MusicStatus::not_open);

long file_size(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

std::vector<long> numbers_in(const std::string& report) {
    std::istringstream in(report);
    std::vector<long> numbers;
    long n = 0;
    while (in >> n) {
        numbers.push_back(n);
    }
    return numbers;
}

// --- Fixture --------------------------------------------------------------------------------

class MediaPlayer : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/floodvalley-media-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        capture = dir + "/capture.raw";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // In the child: the disk driver writes what would be heard into `capture`.
    void use_disk_driver() const {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    }

    // open + play `file`, let it sound for `ms`, close; reports the four result codes.
    ChildRun play_for(const std::string& file, int ms) const {
        return run_child([&] {
            use_disk_driver();
            std::ostringstream report;
            report << open_track(file) << ' ' << play_track() << ' ';
            sleep_ms(ms);
            report << close_track() << ' ' << close_track();
            return report.str();
        });
    }

    std::vector<std::int16_t> captured() const { return read_raw_stereo(capture); }

    std::string write_file(const char* name, const std::string& bytes) const {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::string dir;
    std::string capture;
};

std::string first_bytes_of(const char* path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// --- Sound comes out ------------------------------------------------------------------------

TEST_F(MediaPlayer, TheTrackIsAudibleFromItsFirstMoment) {
    const ChildRun run = play_for(FLOODVALLEY_TRACK, 1500);
    ASSERT_TRUE(exited_cleanly(run));
    EXPECT_EQ(numbers_in(run.report), (std::vector<long>{OK, OK, OK, NOT_OPEN}));
    const auto pcm = captured();
    ASSERT_GT(frame_count(pcm), static_cast<std::size_t>(RATE));
    const std::size_t onset = first_audible_frame(pcm, AUDIBLE);
    // At most a mixer buffer or two of silence passes between open and play.
    EXPECT_LT(onset, static_cast<std::size_t>(RATE / 10));
    EXPECT_GT(rms(pcm, onset, RATE), 0.03);
    for (std::size_t block = onset; block + RATE / 20 < onset + RATE; block += RATE / 20) {
        EXPECT_GT(rms(pcm, block, RATE / 20), 0.01) << "gap at frame " << block;
    }
}

TEST_F(MediaPlayer, AccentsLandWhereTheCompositionPutsThem) {
    // The excerpt from 11.5 s holds the flood at 12 s and the first caption at 13 s.
    const ChildRun run = play_for(MEDIA_CLIP_FLOOD, 2900);
    ASSERT_TRUE(exited_cleanly(run));
    const auto pcm = captured();
    const std::size_t onset = first_audible_frame(pcm, AUDIBLE);
    ASSERT_LT(onset, frame_count(pcm));
    const std::vector<std::int16_t> heard(pcm.begin() + static_cast<std::ptrdiff_t>(2 * onset),
                                          pcm.end());
    const std::vector<double> accents = find_accents(heard, 3.0);
    ASSERT_EQ(accents.size(), 2u);
    EXPECT_NEAR(accents[0], 0.5, 0.05);
    EXPECT_NEAR(accents[1], 1.5, 0.05);
}

TEST_F(MediaPlayer, TheTrackPlaysOnceAndThenFallsSilent) {
    // A 1-second excerpt. The disk driver can fall behind the clock on a busy machine, so the
    // device stays open well past the end.
    const ChildRun run = play_for(MEDIA_CLIP_SECOND, 2500);
    ASSERT_TRUE(exited_cleanly(run));
    const auto pcm = captured();
    const std::size_t first = first_audible_frame(pcm, AUDIBLE);
    const std::size_t last = last_audible_frame(pcm, AUDIBLE);
    ASSERT_LT(first, frame_count(pcm));
    EXPECT_NEAR(static_cast<double>(last - first) / RATE, 1.0, 0.1);
    EXPECT_GT(frame_count(pcm) - last, static_cast<std::size_t>(RATE / 4))
        << "no silence after the end";
}

TEST_F(MediaPlayer, CloseStopsTheOutputAtOnce) {
    const ChildRun run = run_child([&] {
        use_disk_driver();
        std::ostringstream report;
        report << open_track(FLOODVALLEY_TRACK) << ' ' << play_track() << ' ';
        sleep_ms(1000);
        const long before = file_size(capture);
        const long closed = close_track();
        const long after = file_size(capture);
        sleep_ms(300);
        report << closed << ' ' << before << ' ' << after << ' ' << file_size(capture);
        return report.str();
    });
    ASSERT_TRUE(exited_cleanly(run));
    const std::vector<long> n = numbers_in(run.report);
    ASSERT_EQ(n.size(), 6u);
    EXPECT_EQ(n[0] + n[1] + n[2], 0);
    const long written_during_close = n[4] - n[3];
    EXPECT_LT(written_during_close, static_cast<long>(BYTES_PER_SECOND / 5)) << "more than 200 ms";
    EXPECT_EQ(n[5], n[4]) << "output went on after close";
    // What was heard up to the close was the music, not silence.
    const auto pcm = captured();
    EXPECT_GT(rms(pcm, first_audible_frame(pcm, AUDIBLE), RATE / 2), 0.03);
}

TEST_F(MediaPlayer, TheShippedTrackLastsAboutSeventySixSeconds) {
    const ChildRun run = run_child([] {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        SDL_Init(SDL_INIT_AUDIO);
        Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024);
        Mix_Music* music = Mix_LoadMUS(FLOODVALLEY_TRACK);
        const double seconds = music != nullptr ? Mix_MusicDuration(music) : -1.0;
        return std::to_string(static_cast<long>(seconds * 1000.0));
    });
    ASSERT_TRUE(exited_cleanly(run));
    EXPECT_NEAR(static_cast<double>(numbers_in(run.report).at(0)), 76000.0, 100.0);
}

// --- The command rules ----------------------------------------------------------------------

TEST_F(MediaPlayer, RefusedCommandsChangeNothing) {
    const ChildRun run = run_child([&] {
        use_disk_driver();
        std::ostringstream report;
        report << play_track() << ' ' << close_track() << ' '             // nothing open yet
               << open_track(FLOODVALLEY_TRACK) << ' '                    // ok
               << open_track(FLOODVALLEY_TRACK) << ' '                    // one track at a time
               << play_track() << ' ' << close_track() << ' '             // ok, ok
               << play_track() << ' '                                     // closed now
               << open_track(FLOODVALLEY_TRACK) << ' ' << close_track();  // opens again
        return report.str();
    });
    ASSERT_TRUE(exited_cleanly(run));
    EXPECT_EQ(numbers_in(run.report),
              (std::vector<long>{NOT_OPEN, NOT_OPEN, OK, code(MusicStatus::already_open), OK, OK,
                                 NOT_OPEN, OK, OK}));
}

// --- Bad files: silent, never a hang ----------------------------------------------------------

// Every kind of file that is not music, made in a fresh folder; returns its path.
struct BadFile {
    const char* kind;
    std::string (*make)(const std::string& dir);
};

void PrintTo(const BadFile& file, std::ostream* out) { *out << file.kind; }

std::string write_bytes(const std::string& dir, const std::string& bytes) {
    std::string path = dir + "/TEVDRONE.MP3";
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string random_bytes(std::size_t count) {
    std::string bytes(count, '\0');
    std::uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

const BadFile BAD_FILES[] = {
    {"missing", [](const std::string& dir) { return dir + "/TEVDRONE.MP3"; }},
    {"fifo",
     [](const std::string& dir) {
         std::string path = dir + "/TEVDRONE.MP3";
         EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
         return path;
     }},
    {"directory",
     [](const std::string& dir) {
         std::string path = dir + "/TEVDRONE.MP3";
         EXPECT_EQ(mkdir(path.c_str(), 0700), 0);
         return path;
     }},
    {"empty", [](const std::string& dir) { return write_bytes(dir, ""); }},
    {"random bytes", [](const std::string& dir) { return write_bytes(dir, random_bytes(100000)); }},
    {"text", [](const std::string& dir) { return write_bytes(dir, "this is not music\n"); }},
    {"endless device",
     [](const std::string& dir) {
         std::string path = dir + "/TEVDRONE.MP3";
         EXPECT_EQ(symlink("/dev/zero", path.c_str()), 0);
         return path;
     }},
    {"symlink loop",
     [](const std::string& dir) {
         std::string path = dir + "/TEVDRONE.MP3";
         EXPECT_EQ(symlink("TEVDRONE.MP3", path.c_str()), 0);
         return path;
     }},
};

class MediaPlayerBadFile : public MediaPlayer, public ::testing::WithParamInterface<BadFile> {};

// The whole sequence must finish well inside the deadline, refuse the open, and leave the
// capture (if the device was opened at all) silent.
TEST_P(MediaPlayerBadFile, IsRefusedAtOnceAndStaysSilent) {
    const std::string file = GetParam().make(dir);
    const ChildRun run = play_for(file, 200);
    ASSERT_TRUE(run.finished) << "the player hung on " << file;
    ASSERT_TRUE(exited_cleanly(run));
    const std::vector<long> codes = numbers_in(run.report);
    ASSERT_EQ(codes.size(), 4u);
    EXPECT_NE(codes[0], 0) << "open accepted " << file;
    EXPECT_EQ(codes[1], NOT_OPEN);
    EXPECT_EQ(codes[2], NOT_OPEN);
    const auto pcm = captured();
    EXPECT_EQ(first_audible_frame(pcm, AUDIBLE), frame_count(pcm)) << "sound from " << file;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, MediaPlayerBadFile, ::testing::ValuesIn(BAD_FILES));

TEST_F(MediaPlayer, TruncatedTrackPlaysWhatThereIsThenStops) {
    // About 1.5 s of audio, cut in the middle of a frame.
    const std::string path = write_file("TEVDRONE.MP3", first_bytes_of(FLOODVALLEY_TRACK, 30001));
    const ChildRun run = play_for(path, 3000);
    ASSERT_TRUE(run.finished) << "the player hung on a truncated file";
    ASSERT_TRUE(exited_cleanly(run));
    EXPECT_EQ(numbers_in(run.report), (std::vector<long>{OK, OK, OK, NOT_OPEN}));
    const auto pcm = captured();
    const std::size_t first = first_audible_frame(pcm, AUDIBLE);
    const std::size_t last = last_audible_frame(pcm, AUDIBLE);
    ASSERT_LT(first, frame_count(pcm));
    EXPECT_NEAR(static_cast<double>(last - first) / RATE, 1.5, 0.2);
    EXPECT_GT(frame_count(pcm) - last, static_cast<std::size_t>(RATE / 4))
        << "no silence after the end";
}

TEST_F(MediaPlayer, NoSoundDeviceGivesASilentRunAndCanBeRetried) {
    const ChildRun run = run_child([] {
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        std::ostringstream report;
        report << open_track(FLOODVALLEY_TRACK) << ' ' << play_track() << ' ' << close_track()
               << ' ' << open_track(FLOODVALLEY_TRACK);
        return report.str();
    });
    ASSERT_TRUE(exited_cleanly(run));
    EXPECT_EQ(numbers_in(run.report), (std::vector<long>{code(MusicStatus::no_device), NOT_OPEN,
                                                         NOT_OPEN, code(MusicStatus::no_device)}));
}

// --- The player leaves the process its signals and its screen --------------------------------

TEST_F(MediaPlayer, SignalsKeepTheirDefaultActionWhileTheMusicPlays) {
    const ChildRun run = run_child([&] {
        use_disk_driver();
        open_track(FLOODVALLEY_TRACK);
        play_track();
        struct sigaction interrupt {};
        struct sigaction terminate {};
        sigaction(SIGINT, nullptr, &interrupt);
        sigaction(SIGTERM, nullptr, &terminate);
        if (interrupt.sa_handler != SIG_DFL || terminate.sa_handler != SIG_DFL) {
            return std::string("handler installed");
        }
        raise(SIGTERM);  // must end the process, music or not
        sleep_ms(2000);
        return std::string("survived SIGTERM");
    });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.report, "");
    EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGTERM);
}

// Runs open, play, close with the disk driver (which announces itself on standard error) and
// then writes a line of the program's own; returns everything that reached `stderr_fd`.
std::string stderr_seen_through(int stderr_fd, int read_fd, const std::string& capture) {
    const ChildRun run = run_child([&] {
        dup2(stderr_fd, STDERR_FILENO);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
        std::ostringstream report;
        report << open_track(FLOODVALLEY_TRACK) << ' ' << play_track() << ' ';
        sleep_ms(100);
        report << close_track();
        const char own[] = "the program's own words\n";
        const ssize_t written = write(STDERR_FILENO, own, sizeof own - 1);
        report << ' ' << written;
        return report.str();
    });
    EXPECT_TRUE(exited_cleanly(run));
    EXPECT_EQ(numbers_in(run.report), (std::vector<long>{0, 0, 0, 24}));
    std::string seen;
    char buffer[4096];
    pollfd input{read_fd, POLLIN, 0};
    while (poll(&input, 1, 100) > 0) {
        const ssize_t got = read(read_fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        seen.append(buffer, static_cast<std::size_t>(got));
    }
    return seen;
}

TEST_F(MediaPlayer, LibraryChatterNeverReachesATerminal) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const std::string seen = stderr_seen_through(slave, master, capture);
    close(slave);
    close(master);
    EXPECT_EQ(seen.find("CRITICAL"), std::string::npos) << seen;
    EXPECT_NE(seen.find("the program's own words"), std::string::npos) << seen;
}

TEST_F(MediaPlayer, StandardErrorThatIsNotATerminalKeepsEverything) {
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    const std::string seen = stderr_seen_through(pipe_fds[1], pipe_fds[0], capture);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    EXPECT_NE(seen.find("CRITICAL"), std::string::npos) << seen;
    EXPECT_NE(seen.find("the program's own words"), std::string::npos) << seen;
}

}  // namespace
