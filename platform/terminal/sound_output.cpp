// The sound module (see sound_module.hpp): the output device and the MP3 decoder, on SDL2_mixer.
// SDL decodes and mixes in its own audio thread, so nothing here waits for the sound.
#include <SDL.h>
#include <SDL_mixer.h>

#include "platform/terminal/sound_module.hpp"

namespace {

// Output format of the mixer: CD rate, stereo, buffers of 1024 frames (23 ms). Closing the
// device waits for the buffer in flight, so a short buffer keeps close quick.
constexpr int OUTPUT_RATE = 44100;
constexpr int OUTPUT_CHANNELS = 2;
constexpr int OUTPUT_CHUNK_FRAMES = 1024;

constexpr int PLAY_ONCE = 0;  // Mix_PlayMusic's loop count for a single pass

bool libraries_started = false;
Mix_Music* music = nullptr;

// SDL must leave SIGINT and SIGTERM alone: the terminal back-end owns them, and SDL's handlers
// would swallow Ctrl-C.
bool open_output() {
    if (!libraries_started) {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_Init(SDL_INIT_AUDIO) != 0) {
            return false;
        }
        libraries_started = true;
    }
    return Mix_OpenAudio(OUTPUT_RATE, MIX_DEFAULT_FORMAT, OUTPUT_CHANNELS, OUTPUT_CHUNK_FRAMES) ==
           0;
}

// MUS_MP3 is forced so the data is never offered to the other decoders.
bool load_music(const unsigned char* data, std::size_t size) {
    SDL_RWops* source = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (source == nullptr) {
        return false;
    }
    music = Mix_LoadMUSType_RW(source, MUS_MP3, SDL_TRUE);
    return music != nullptr;
}

bool play_music() { return music != nullptr && Mix_PlayMusic(music, PLAY_ONCE) == 0; }

// Halting first silences the output at once; closing joins the audio thread.
void close_output() {
    if (music != nullptr) {
        Mix_HaltMusic();
        Mix_FreeMusic(music);
        music = nullptr;
    }
    Mix_CloseAudio();
}

void shut_down() {
    if (libraries_started) {
        Mix_Quit();
        SDL_Quit();
        libraries_started = false;
    }
}

}  // namespace

extern "C" __attribute__((visibility("default")))
const SoundOperations floodvalley_sound_operations{
    SOUND_MODULE_VERSION, open_output, load_music, play_music, close_output, shut_down,
};
