// mpa-tool enc "OPTION LINE" IN.wav OUT.mpa: encodes a 16-bit PCM WAVE file frame by frame.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "subcommands.h"
#include "mpa_encoder/encoder.h"
#include "platform/kernel.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A 16-bit PCM WAVE file positioned at its samples, read frame by frame.
struct WaveInput {
    File file;
    int channels = 0;
    long rate = 0;
    std::uint64_t frames_left = 0;
};

std::uint32_t Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }
std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

bool OpenWave(const char* path, WaveInput& wave, std::string& error) {
    wave.file.reset(std::fopen(path, "rb"));
    if (!wave.file) {
        error = std::string("cannot open ") + path;
        return false;
    }
    std::FILE* f = wave.file.get();
    unsigned char riff[12];
    if (std::fread(riff, 1, 12, f) != 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        error = std::string(path) + " is not a WAVE file";
        return false;
    }
    bool haveFormat = false;
    unsigned char chunk[8];
    while (std::fread(chunk, 1, 8, f) == 8) {
        std::uint32_t size = Le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16 && size < 1024) {
            std::vector<unsigned char> body(size + (size & 1));
            if (std::fread(body.data(), 1, body.size(), f) != body.size()) break;
            std::uint16_t format = Le16(body.data());
            wave.channels = Le16(body.data() + 2);
            wave.rate = Le32(body.data() + 4);
            std::uint16_t bitsPerSample = Le16(body.data() + 14);
            if ((format != 1 && format != 0xFFFE) || bitsPerSample != 16 || wave.channels < 1 || wave.channels > 2) {
                error = "only 16-bit PCM WAVE files with one or two channels are supported";
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && haveFormat) {
            wave.frames_left = size / (2u * wave.channels);
            return true;
        } else if (std::fseek(f, static_cast<long>(size + (size & 1)), SEEK_CUR) != 0) {
            break;
        }
    }
    error = std::string(path) + " has no PCM data";
    return false;
}

// Reads up to `count` sample frames (interleaved) into `samples`; returns the number read.
std::size_t ReadFrames(WaveInput& wave, std::vector<unsigned char>& bytes, std::size_t count) {
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, wave.frames_left));
    std::size_t frameBytes = 2u * wave.channels;
    bytes.resize(count * frameBytes);
    std::size_t got = std::fread(bytes.data(), frameBytes, count, wave.file.get());
    wave.frames_left -= got;
    return got;
}

int RunEnc(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mpa-tool enc \"OPTION LINE\" IN.wav OUT.mpa\n");
        return 2;
    }
    WaveInput wave;
    std::string error;
    if (!OpenWave(argv[1], wave, error)) {
        std::fprintf(stderr, "enc: %s\n", error.c_str());
        return 1;
    }
    mpa::Encoder encoder;
    int perFrame = encoder.EncoderSetup(argv[0]);
    if (perFrame < 0) {
        std::fprintf(stderr, "enc: %s\n", encoder.LastError().c_str());
        return 1;
    }
    long rate = mpa::SamplingRateHz(encoder.Header());
    if (rate != wave.rate) {
        std::fprintf(stderr, "enc: the WAVE file has %ld Hz, the option line asks for %ld Hz\n", wave.rate, rate);
        return 1;
    }
    if (platform::IsSameFile(argv[1], argv[2])) {
        std::fprintf(stderr, "enc: the output %s is the input file\n", argv[2]);
        return 1;
    }
    File out(std::fopen(argv[2], "wb"));
    if (!out) {
        std::fprintf(stderr, "enc: cannot create %s\n", argv[2]);
        return 1;
    }
    const bool singleChannel = encoder.Header().mode == mpa::kSingleChannel;
    std::vector<std::int16_t> input(mpa::Encoder::kFrameInputSamples);
    std::vector<std::uint8_t> coded(mpa::Encoder::kOutputBufferBytes);
    std::vector<unsigned char> bytes;
    int status = 0;
    while (wave.frames_left > 0) {
        std::size_t got = ReadFrames(wave, bytes, perFrame);
        if (got == 0) break;
        std::fill(input.begin(), input.end(), 0);
        for (std::size_t i = 0; i < got; ++i) {
            const unsigned char* frame = &bytes[i * 2 * wave.channels];
            int left = static_cast<std::int16_t>(Le16(frame));
            int right = wave.channels == 2 ? static_cast<std::int16_t>(Le16(frame + 2)) : left;
            // A single-channel stream of a stereo file carries the mix of both channels.
            input[i] = static_cast<std::int16_t>(singleChannel ? (left + right) / 2 : left);
            input[1152 + i] = static_cast<std::int16_t>(right);
        }
        long bits = encoder.EncodeFrame(input.data(), coded.data(), coded.size());
        if (bits < 0) {
            std::fprintf(stderr, "enc: %s\n", encoder.LastError().c_str());
            status = 1;
            break;
        }
        if (std::fwrite(coded.data(), 1, bits / 8, out.get()) != static_cast<std::size_t>(bits / 8)) {
            std::fprintf(stderr, "enc: write error on %s\n", argv[2]);
            status = 1;
            break;
        }
    }
    if (status == 0) {
        // Layer III holds its last frames until their free space is settled.
        long bits = encoder.Flush(coded.data(), coded.size());
        if (bits < 0 || std::fwrite(coded.data(), 1, bits / 8, out.get()) != static_cast<std::size_t>(bits / 8)) {
            std::fprintf(stderr, "enc: %s\n", bits < 0 ? encoder.LastError().c_str() : "write error");
            status = 1;
        }
    }
    if (std::fclose(out.release()) != 0 && status == 0) {
        std::fprintf(stderr, "enc: write error on %s\n", argv[2]);
        status = 1;
    }
    if (status != 0) std::remove(argv[2]);  // a cut stream would pass for a whole one
    return status;
}

const Subcommand kEnc("enc", "enc \"OPTION LINE\" IN.wav OUT.mpa", RunEnc);

}  // namespace
