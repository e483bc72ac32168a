// The sound module (see sound_module.hpp): the output device and the MP3 decoder, on SDL2_mixer.
// SDL decodes and mixes in its own audio thread, so nothing here waits for the sound.
#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>

#include "platform/sound/sound_module.hpp"

namespace {

// Output format of the mixer: CD rate, stereo, buffers of 1024 frames (23 ms). Closing the
// device waits for the buffer in flight, so a short buffer keeps close quick.
constexpr int OUTPUT_RATE = 44100;
constexpr int OUTPUT_CHANNELS = 2;
constexpr int OUTPUT_CHUNK_FRAMES = 1024;

constexpr int PLAY_ONCE = 0;  // Mix_PlayMusic's loop count for a single pass

// A device that has not asked for sound this long after play is not waited for any longer.
constexpr int FIRST_PASS_WAIT_MS = 100;

bool libraries_started = false;
Mix_Music* music = nullptr;
std::atomic<unsigned> mix_passes{0};  // counted by the audio thread after each mixing pass

void count_mix_pass(void*, Uint8*, int) { mix_passes.fetch_add(1); }

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
    if (Mix_OpenAudio(OUTPUT_RATE, MIX_DEFAULT_FORMAT, OUTPUT_CHANNELS, OUTPUT_CHUNK_FRAMES) != 0) {
        return false;
    }
    Mix_SetPostMix(count_mix_pass, nullptr);
    return true;
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

// Returns once the mixer has run a pass with the music in it. The decoder sets itself up (and
// allocates) on its first pass, which so comes before the first frame, never during the run.
// Playing takes the mixer's lock, so any pass that ends after it returns has the music in it.
bool play_music() {
    if (music == nullptr || Mix_PlayMusic(music, PLAY_ONCE) != 0) {
        return false;
    }
    const unsigned passes_at_play = mix_passes.load();
    for (int waited = 0; mix_passes.load() == passes_at_play && waited < FIRST_PASS_WAIT_MS;
         ++waited) {
        SDL_Delay(1);
    }
    return true;
}

// Halting first silences the output at once; closing joins the audio thread.
void close_output() {
    Mix_SetPostMix(nullptr, nullptr);
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
