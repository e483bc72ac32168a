// Media commands on POSIX systems: the player behind "open ... type mpegvideo alias ...",
// "play ..." and "close ...". The sound itself comes from the sound module (sound_module.hpp),
// loaded at the first open; without it every open fails as if there were no sound device.
//
// Everything that can take time or allocate happens in open and close, which the demo sends
// before its first frame and after its last: the whole file is read into memory at open, and
// decoding runs from there. Play only starts the mixer on what is already loaded.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/platform.hpp"
#include "platform/regular_file.hpp"
#include "platform/sound/media_command.hpp"
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
    char alias[MEDIA_ALIAS_CAPACITY] = {};
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

// --- Commands ---------------------------------------------------------------------------------

bool names_open_device(const char* alias) { return device.open && same_alias(device.alias, alias); }

std::uint32_t open_device(const MediaCommand& command) {
    if (device.open) {
        return MEDIA_ERROR_ALIAS_IN_USE;
    }
    Track track;
    if (!read_track(command.file, track)) {
        return MEDIA_ERROR_FILE_NOT_PLAYABLE;
    }
    if (!start_audio()) {
        release_track(track);
        return MEDIA_ERROR_NO_DEVICE;
    }
    if (!sound->load_music(track.data, track.size)) {
        stop_audio();
        release_track(track);
        return MEDIA_ERROR_UNDECODABLE;
    }
    device.open = true;
    static_assert(sizeof device.alias == sizeof command.alias);
    for (std::size_t i = 0; i < sizeof device.alias; ++i) {
        device.alias[i] = command.alias[i];
    }
    device.track = track;
    return MEDIA_OK;
}

std::uint32_t play_device(const MediaCommand& command) {
    if (!names_open_device(command.alias)) {
        return MEDIA_ERROR_UNKNOWN_ALIAS;
    }
    return sound->play_music() ? MEDIA_OK : MEDIA_ERROR_NO_DEVICE;
}

// The output falls silent at once; the rest releases the device.
std::uint32_t close_device(const MediaCommand& command) {
    if (!names_open_device(command.alias)) {
        return MEDIA_ERROR_UNKNOWN_ALIAS;
    }
    stop_audio();
    release_track(device.track);
    device = Device{};
    return MEDIA_OK;
}

}  // namespace

namespace platform {

std::uint32_t send_media_command(const char* command_text) {
    MediaCommand command;
    const std::uint32_t parsed = parse_media_command(command_text, command);
    if (parsed != MEDIA_OK) {
        return parsed;
    }
    switch (command.verb) {
        case MediaVerb::open: return open_device(command);
        case MediaVerb::play: return play_device(command);
        case MediaVerb::close: return close_device(command);
    }
    return MEDIA_ERROR_UNKNOWN_VERB;
}

}  // namespace platform
