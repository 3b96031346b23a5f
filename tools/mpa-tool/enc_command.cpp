// mpa-tool enc "OPTION LINE" IN.wav OUT.mpa: encodes a 16-bit PCM WAVE file frame by frame.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "command.h"
#include "mpa_encoder/encoder.h"

namespace {

struct WaveInput {
    int channels = 0;
    long rate = 0;
    std::vector<std::int16_t> samples;  // interleaved
};

std::uint32_t Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }
std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

bool ReadWave(const char* path, WaveInput& wave, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = std::string("cannot open ") + path;
        return false;
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = std::string(path) + " is not a WAVE file";
        return false;
    }
    bool haveFormat = false;
    std::size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        std::uint32_t size = Le32(&bytes[pos + 4]);
        const unsigned char* body = &bytes[pos + 8];
        std::size_t available = bytes.size() - pos - 8;
        if (std::memcmp(&bytes[pos], "fmt ", 4) == 0 && size >= 16 && available >= 16) {
            std::uint16_t format = Le16(body);
            wave.channels = Le16(body + 2);
            wave.rate = Le32(body + 4);
            std::uint16_t bitsPerSample = Le16(body + 14);
            bool extensible = format == 0xFFFE;
            if ((format != 1 && !extensible) || bitsPerSample != 16 || wave.channels < 1 || wave.channels > 2) {
                error = "only 16-bit PCM WAVE files with one or two channels are supported";
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(&bytes[pos], "data", 4) == 0 && haveFormat) {
            std::size_t length = std::min<std::size_t>(size, available) / 2;
            wave.samples.resize(length);
            for (std::size_t i = 0; i < length; ++i) wave.samples[i] = static_cast<std::int16_t>(Le16(body + 2 * i));
            return true;
        }
        pos += 8 + size + (size & 1);
    }
    error = std::string(path) + " has no PCM data";
    return false;
}

int RunEnc(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mpa-tool enc \"OPTION LINE\" IN.wav OUT.mpa\n");
        return 2;
    }
    WaveInput wave;
    std::string error;
    if (!ReadWave(argv[1], wave, error)) {
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
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::fprintf(stderr, "enc: cannot create %s\n", argv[2]);
        return 1;
    }
    const bool singleChannel = encoder.Header().mode == mpa::kSingleChannel;
    const std::size_t frames = wave.samples.size() / wave.channels;
    std::vector<std::int16_t> input(mpa::Encoder::kFrameInputSamples);
    std::vector<std::uint8_t> coded(mpa::Encoder::kOutputBufferBytes);
    int status = 0;
    for (std::size_t first = 0; first < frames; first += perFrame) {
        std::fill(input.begin(), input.end(), 0);
        for (int i = 0; i < perFrame && first + i < frames; ++i) {
            const std::int16_t* frame = &wave.samples[(first + i) * wave.channels];
            int left = frame[0];
            int right = wave.channels == 2 ? frame[1] : frame[0];
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
        if (std::fwrite(coded.data(), 1, bits / 8, out) != static_cast<std::size_t>(bits / 8)) {
            std::fprintf(stderr, "enc: write error on %s\n", argv[2]);
            status = 1;
            break;
        }
    }
    if (std::fclose(out) != 0 && status == 0) {
        std::fprintf(stderr, "enc: write error on %s\n", argv[2]);
        status = 1;
    }
    return status;
}

const MpaCommand kEnc("enc", "enc \"OPTION LINE\" IN.wav OUT.mpa", RunEnc);

}  // namespace
