// The soundtrack's player on POSIX systems: one track at a time, read whole from a file and
// played through the sound module (sound_module.hpp), loaded at the first open. Without the
// module, the file or a sound device, open fails and the run is silent.
#pragma once

enum class MusicStatus {
    ok,
    already_open,       // open while a track is open
    not_open,           // play or close with no track open
    file_not_playable,  // missing, not a regular file, empty, too big, unreadable
    no_device,          // no audio device could be opened
    undecodable,        // the file holds no MPEG audio
};

// Reads the file at `path` and opens the sound output with it; nothing plays yet.
MusicStatus open_music(const char* path);
// Plays the open track once from its start; returns at once, the track plays on by itself.
MusicStatus play_music();
// Silences the output at once and releases the track and the device.
MusicStatus close_music();
