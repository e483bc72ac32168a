// The sound output as a module loaded at run time: SDL2_mixer and the libraries it brings (some
// seventy) are mapped only when the music is opened, after the start-up queries have gone out,
// and not by the dynamic loader before the first line of the program runs. A missing module is
// no sound device: the run is silent.
//
// The module is looked for beside the executable, then in the directory fixed at build time
// (FLOODVALLEY_MODULE_DIR). It exports one table of operations under SOUND_MODULE_ENTRY; a table
// of another version is not used.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr char SOUND_MODULE_FILE[] = "floodvalley-sound.so";
inline constexpr char SOUND_MODULE_ENTRY[] = "floodvalley_sound_operations";
inline constexpr std::uint32_t SOUND_MODULE_VERSION = 1;

struct SoundOperations {
    std::uint32_t version;
    // Starts the audio libraries (once; they leave the signal handlers alone) and opens the
    // output device. False when there is no device; the libraries may stay up.
    bool (*open_output)();
    // Decodes MP3 from `data`, which must stay valid until close_output. False when it holds no
    // MPEG audio.
    bool (*load_music)(const unsigned char* data, std::size_t size);
    // Plays the loaded music once from its start.
    bool (*play_music)();
    // Silences the output at once, frees the music and closes the device: no sample is mixed
    // after it returns.
    void (*close_output)();
    // Shuts the audio libraries down, if they were started.
    void (*shut_down)();
};

// The table of the module found, or nullptr when there is none (or not one of this version).
// Looks only once.
const SoundOperations* sound_module();
