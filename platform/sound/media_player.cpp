// The soundtrack's player on POSIX systems. The sound itself comes from the sound module
// (sound_module.hpp), loaded at the first open; without it every open fails as if there were no
// sound device.
//
// Everything that can take time or allocate happens in open and close, which the demo sends
// before its first frame and after its last: the whole file is read into memory at open, and
// decoding runs from there. Play only starts the mixer on what is already loaded.
#include "platform/sound/media_player.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/regular_file.hpp"
#include "platform/sound/sound_module.hpp"

namespace {

// A soundtrack is a few megabytes; anything far larger is not what the demo plays.
constexpr std::size_t LARGEST_TRACK_BYTES = 64 * 1024 * 1024;

struct Track {
    unsigned char* data = nullptr;
    std::size_t size = 0;
};

// The one device the player can hold open at a time.
struct Device {
    bool open = false;
    Track track;  // must outlive the music, which decodes from it
};

Device device;

// Where standard error pointed before the audio libraries were started, or -1.
int saved_stderr = -1;

const SoundOperations* sound = nullptr;  // the module, once an open has found it
bool finish_at_exit = false;             // an exit handler will shut the libraries down

// --- The music file ---------------------------------------------------------------------------

// Only a non-empty regular file of sensible size is read, whole, into memory; a read that stops
// early (the file shrank, or an error) keeps what came.
bool read_track(const char* path, Track& track) {
    int fd = -1;
    std::size_t capacity = 0;
    if (open_regular_file(path, LARGEST_TRACK_BYTES, fd, capacity) != RegularFileStatus::ok) {
        return false;
    }
    auto* data = capacity == 0 ? nullptr : static_cast<unsigned char*>(std::malloc(capacity));
    const std::size_t size = data == nullptr ? 0 : read_fully(fd, data, capacity);
    close(fd);
    if (size == 0) {
        std::free(data);
        return false;
    }
    track = Track{data, size};
    return true;
}

void release_track(Track& track) {
    std::free(track.data);
    track = Track{};
}

// --- Standard error ---------------------------------------------------------------------------

// ALSA and SDL write diagnostic lines to standard error (no sound card, the disk driver's
// banner, underruns). While the player holds the audio libraries, a standard error that is a
// terminal is pointed at /dev/null so none of that lands on the picture; when it is a file or a
// pipe it is left alone, so nothing written to a log is lost.
void quiet_stderr() {
    if (saved_stderr >= 0 || isatty(STDERR_FILENO) != 1) {
        return;
    }
    const int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null_fd < 0) {
        return;
    }
    saved_stderr = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (saved_stderr >= 0) {
        dup2(null_fd, STDERR_FILENO);
    }
    close(null_fd);
}

void restore_stderr() {
    if (saved_stderr < 0) {
        return;
    }
    dup2(saved_stderr, STDERR_FILENO);
    close(saved_stderr);
    saved_stderr = -1;
}

// --- Audio libraries --------------------------------------------------------------------------

// Shuts the libraries down and gives standard error back.
void finish_audio_libraries() {
    if (sound != nullptr) {
        sound->shut_down();
    }
    restore_stderr();
}

// Without a sound device SDL's shutdown can wait up to 100 ms for its device-watch thread to
// wake. After a failed open, the libraries are left up (quiet) and shut down when the process
// exits, so the open fails within milliseconds and set-up goes on at once.
void finish_audio_libraries_at_exit() {
    if (!finish_at_exit) {
        finish_at_exit = std::atexit(finish_audio_libraries) == 0;
    }
    if (!finish_at_exit) {
        finish_audio_libraries();
    }
}

bool start_audio() {
    sound = sound_module();
    if (sound == nullptr) {
        return false;
    }
    quiet_stderr();
    if (!sound->open_output()) {
        finish_audio_libraries_at_exit();
        return false;
    }
    return true;
}

// Closing joins the audio thread: no sample is mixed after it returns.
void stop_audio() {
    sound->close_output();
    finish_audio_libraries();
}

}  // namespace

MusicStatus open_music(const char* path) {
    if (device.open) {
        return MusicStatus::already_open;
    }
    Track track;
    if (!read_track(path, track)) {
        return MusicStatus::file_not_playable;
    }
    if (!start_audio()) {
        release_track(track);
        return MusicStatus::no_device;
    }
    if (!sound->load_music(track.data, track.size)) {
        stop_audio();
        release_track(track);
        return MusicStatus::undecodable;
    }
    device.open = true;
    device.track = track;
    return MusicStatus::ok;
}

MusicStatus play_music() {
    if (!device.open) {
        return MusicStatus::not_open;
    }
    return sound->play_music() ? MusicStatus::ok : MusicStatus::no_device;
}

// The output falls silent at once; the rest releases the device.
MusicStatus close_music() {
    if (!device.open) {
        return MusicStatus::not_open;
    }
    stop_audio();
    release_track(device.track);
    device = Device{};
    return MusicStatus::ok;
}
