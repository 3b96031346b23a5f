// mpa-tool enc "OPTION LINE" IN.wav OUT.mpa: encodes a 16-bit PCM WAVE file frame by frame.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <cstring>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <sstream>

#include "mpa_encoder/encoder.h"
#include "platform/replacing_file.h"
#include "platform/regular_file.h"
#include "mpeg_audio/console.h"
#include "platform/c_file.h"
#include "platform/kernel.h"
#include "subcommands/subcommands.h"
#include "wave_format/wave_header.h"

namespace {

using File = platform::CFile;

// A 16-bit PCM WAVE file positioned at its samples, read frame by frame.
struct WaveInput {
    File file;
    int channels = 0;
    long rate = 0;
    std::uint64_t frames_left = 0;
};

std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

bool OpenWave(const char* path, WaveInput& wave, std::string& error) {
    // A pipe or a device could be read for ever.
    wave.file = platform::OpenRegularFile(path, "rb");
    if (!wave.file) {
        const bool other = std::filesystem::exists(path) && !platform::IsRegularFile(path);
        error = std::string("cannot open ") + path + (other ? ": not a regular file" : "");
        return false;
    }
    std::FILE* f = wave.file.get();
    // The chunks before the samples, however many, are walked by the one WAVE reader every
    // program shares.
    const auto layout = wav::ReadWaveLayout(path);
    if (!layout) {
        error = std::string(path) + " is not a WAVE file with PCM data";
        return false;
    }
    if ((layout->formatTag != 1 && layout->formatTag != 0xFFFE) || layout->bitsPerSample != 16 ||
        layout->channels < 1 || layout->channels > 2) {
        error = "only 16-bit PCM WAVE files with one or two channels are supported";
        return false;
    }
    wave.channels = layout->channels;
    wave.rate = static_cast<long>(layout->sampleRate);
    wave.frames_left = layout->dataBytes / (2u * wave.channels);
    if (fseeko(f, static_cast<off_t>(layout->dataOffset), SEEK_SET) != 0) {
        error = std::string(path) + " has no PCM data";
        return false;
    }
    return true;
}

// Whether the option line names a sampling rate (-s, alone or among other letters).
bool NamesRate(const std::string& line) {
    std::istringstream words(line);
    std::string word;
    words >> word;  // the program's name
    while (words >> word) {
        if (word.size() < 2 || word[0] != '-') continue;
        for (std::size_t c = 1; c < word.size(); ++c) {
            if (word[c] == 's') return true;
            if (std::strchr("lmpbdq", word[c])) break;  // the rest of the word is that letter's value
        }
    }
    return false;
}

// The rate in kHz as the option line writes it: 44100 -> "44.1".
std::string Khz(long hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(hz) / 1000.0);
    return text;
}

// The encoder reads the first ten words of its line: the WAVE file's rate goes in as one word
// right after the program's name, so it can never push the caller's own last option out.
bool AddWaveRate(std::string& line, long hz, std::string& error) {
    constexpr int kEncoderWords = 10;
    std::istringstream words(line);
    int count = 0;
    std::string word;
    while (words >> word) ++count;
    if (count >= kEncoderWords) {
        error = "the option line has " + std::to_string(count) + " words, the most the encoder reads; give the rate with -s";
        return false;
    }
    const std::size_t nameEnd = line.find(' ', line.find_first_not_of(' '));
    const std::string rate = " -s" + Khz(hz);
    if (nameEnd == std::string::npos) line += rate;
    else line.insert(nameEnd, rate);
    return true;
}

constexpr const char* kEncHelp =
    "usage: mpa-tool enc \"OPTION LINE\" IN.wav OUT.mpa\n"
    "Encodes a 16-bit PCM WAVE file (one or two channels) to an MPEG audio stream. The option line is\n"
    "the encoder's own, its first word a name for its messages, e.g. \"enc -l 2 -b 192 -m j\":\n"
    "  -l 1|2|3     layer (default 3)\n"
    "  -m s|j|d|m   stereo, joint stereo, dual channel, single channel (default s)\n"
    "  -s kHz       sampling rate: 32, 44.1, 48 (and 16, 22.05, 24 for Layer III); default: the WAVE file's\n"
    "  -b kbit/s    bit rate (default the layer's middle rate)\n"
    "  -p 1|2       psychoacoustic model (default 2; Layer III takes 2 only)\n"
    "  -d n|5|c     emphasis: none, 50/15 us, CCITT J.17\n"
    "  -e           CRC protection;  -c copyright;  -o original\n"
    "  -q value     model 2's quality, 0.01 to 100\n"
    "The option line is checked before OUT.mpa is created: a bad line leaves no file.\n";

// The engine's messages name their program themselves ("enc: -l layer ..."): no second prefix.
void PrintError(const std::string& error) {
    std::fprintf(stderr, "%s%s\n", error.rfind("enc: ", 0) == 0 ? "" : "enc: ", error.c_str());
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
    if (argc >= 1 && (std::strcmp(argv[0], "--help") == 0 || std::strcmp(argv[0], "-h") == 0)) {
        std::fputs(kEncHelp, stdout);
        return 0;
    }
    if (argc != 3) {
        std::fputs(kEncHelp, stderr);
        return 2;
    }
    WaveInput wave;
    std::string error;
    if (!OpenWave(argv[1], wave, error)) {
        PrintError(error);
        return 1;
    }
    std::string line = argv[0];
    if (!NamesRate(line) && !AddWaveRate(line, wave.rate, error)) {
        PrintError(error);
        return 1;
    }
    mpa::Encoder encoder;
    // The set-up's notes (padding, allocation table) are the encoder's bookkeeping, not news for
    // every run; a failed set-up says why through LastError.
    const mpa::MessageSink previous = mpa::SetMessageSink([](const std::string&) {});
    const int perFrame = encoder.EncoderSetup(line);
    mpa::SetMessageSink(previous);
    if (perFrame < 0) {
        PrintError(encoder.LastError());
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
    // Written under a temporary name and put in place only when the whole stream is written.
    platform::ReplacingFile out;
    if (!out.Open(argv[2], argv[1])) {
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
            PrintError(encoder.LastError());
            status = 1;
            break;
        }
        if (!out.Write(coded.data(), static_cast<std::size_t>(bits / 8))) {
            std::fprintf(stderr, "enc: write error on %s\n", argv[2]);
            status = 1;
            break;
        }
    }
    if (status == 0) {
        // The coding delay's frames of silence, and Layer III's frames held until their free space is settled.
        coded.resize(mpa::Encoder::kFlushBufferBytes);
        long bits = encoder.Flush(coded.data(), coded.size());
        if (bits < 0 || !out.Write(coded.data(), static_cast<std::size_t>(bits / 8))) {
            PrintError(bits < 0 ? encoder.LastError() : std::string("write error"));
            status = 1;
        }
    }
    // A cut stream would pass for a whole one: a failed run leaves what was at the name.
    if (status == 0 && !out.Commit()) {
        std::fprintf(stderr, "enc: write error on %s\n", argv[2]);
        status = 1;
    }
    return status;
}

const Subcommand kEnc("enc", "enc \"OPTION LINE\" IN.wav OUT.mpa   (enc --help explains the line)", RunEnc, true);

}  // namespace
