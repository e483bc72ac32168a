// The soundtrack, driven through media command strings.
#pragma once

inline constexpr const char* MUSIC_OPEN_COMMAND = "open TEVDRONE.MP3 type mpegvideo alias muzyka";
inline constexpr const char* MUSIC_PLAY_COMMAND = "play muzyka";
inline constexpr const char* MUSIC_CLOSE_COMMAND = "close muzyka";

// Opens the track and starts it; returns at once, the track plays on by itself.
void start_music();
// Closes the device, which stops the sound at once.
void stop_music();
