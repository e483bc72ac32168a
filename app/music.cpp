#include "app/music.hpp"

#include "platform/platform.hpp"

// The error codes are ignored: without the file every command fails and the run is silent.
void start_music() {
    platform::send_media_command(MUSIC_OPEN_COMMAND);
    platform::send_media_command(MUSIC_PLAY_COMMAND);
}

void stop_music() { platform::send_media_command(MUSIC_CLOSE_COMMAND); }
