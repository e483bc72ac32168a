#include "tools/soundtrack/mp3_encoder.hpp"

#include <lame/lame.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/soundtrack/soundtrack_score.hpp"

namespace {

constexpr int BIT_RATE_KBPS = 160;
constexpr int ENCODER_QUALITY = 2;  // 0 best .. 9 fastest
constexpr std::size_t FRAMES_PER_CALL = 8192;

struct Encoder {
    lame_global_flags* flags = nullptr;
    ~Encoder() {
        if (flags != nullptr) {
            lame_close(flags);
        }
    }
};

bool configure(lame_global_flags* flags) {
    lame_set_in_samplerate(flags, SOUNDTRACK_RATE);
    lame_set_out_samplerate(flags, SOUNDTRACK_RATE);
    lame_set_num_channels(flags, SOUNDTRACK_CHANNELS);
    lame_set_mode(flags, JOINT_STEREO);
    lame_set_brate(flags, BIT_RATE_KBPS);
    lame_set_quality(flags, ENCODER_QUALITY);
    lame_set_bWriteVbrTag(flags, 1);            // the tag frame carries the encoder delay
    lame_set_write_id3tag_automatic(flags, 0);  // no tags: nothing but audio frames
    return lame_init_params(flags) >= 0;
}

bool write_bytes(std::FILE* file, const unsigned char* data, std::size_t size) {
    return size == 0 || std::fwrite(data, 1, size, file) == size;
}

bool encode_frames(lame_global_flags* flags, const std::int16_t* interleaved, std::size_t frames,
                   std::FILE* file) {
    // LAME's bound: 1.25 * samples + 7200 bytes per call.
    std::vector<unsigned char> out(FRAMES_PER_CALL * 5 / 4 + 7200);
    for (std::size_t done = 0; done < frames; done += FRAMES_PER_CALL) {
        const std::size_t count = frames - done < FRAMES_PER_CALL ? frames - done : FRAMES_PER_CALL;
        // LAME's interface is not const-correct; it only reads the samples.
        auto* pcm = const_cast<short*>(interleaved + done * SOUNDTRACK_CHANNELS);
        const int written = lame_encode_buffer_interleaved(
            flags, pcm, static_cast<int>(count), out.data(), static_cast<int>(out.size()));
        if (written < 0 || !write_bytes(file, out.data(), static_cast<std::size_t>(written))) {
            return false;
        }
    }
    const int flushed = lame_encode_flush(flags, out.data(), static_cast<int>(out.size()));
    return flushed >= 0 && write_bytes(file, out.data(), static_cast<std::size_t>(flushed));
}

// The first frame of the stream was left blank for the tag; fill it in now.
bool write_tag_frame(lame_global_flags* flags, std::FILE* file) {
    unsigned char tag[2880];
    const std::size_t size = lame_get_lametag_frame(flags, tag, sizeof tag);
    if (size == 0 || size > sizeof tag) {
        return false;
    }
    return std::fseek(file, 0, SEEK_SET) == 0 && write_bytes(file, tag, size);
}

}  // namespace

bool encode_mp3(const std::int16_t* interleaved, std::size_t frames, const char* path,
                const char** error) {
    Encoder encoder;
    encoder.flags = lame_init();
    if (encoder.flags == nullptr || !configure(encoder.flags)) {
        *error = "the MP3 encoder could not be set up";
        return false;
    }
    const std::string temporary = std::string(path) + ".partial";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot create the output file";
        return false;
    }
    const bool encoded = encode_frames(encoder.flags, interleaved, frames, file) &&
                         write_tag_frame(encoder.flags, file);
    const bool closed = std::fclose(file) == 0;
    if (!encoded || !closed) {
        std::remove(temporary.c_str());
        *error = encoded ? "cannot write the output file" : "MP3 encoding failed";
        return false;
    }
    if (std::rename(temporary.c_str(), path) != 0) {
        std::remove(temporary.c_str());
        *error = "cannot move the finished file into place";
        return false;
    }
    return true;
}
