#include "dv_audio/dv_audio.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ps_common/pcm_wave.h"
#include "platform/run_report.h"
#include "ps_common/run_output.h"

namespace dv_audio {

namespace {

using platform::RunStatus;
using ps::RunFault;

constexpr int kAudioBlocks = 9;
constexpr int kBlockSamples = 36;
constexpr std::size_t kBlockBytes = 80;
constexpr std::size_t kFirstAudioBlock = 480;    // block 6 of the sequence
constexpr std::size_t kAudioBlockStride = 1280;  // every 16th block
constexpr std::size_t kPackOffset = 3;
constexpr std::size_t kDataOffset = 8;
constexpr int kMaxSequences = 12;

struct Packs {
    std::array<std::uint8_t, 5> source[2];  // channel 1, channel 2
    std::array<std::uint8_t, 5> control;
};

const Packs& PacksFor(bool lines625, int samples) {
    static const Packs k525Short{{{{0x50, 0x54, 0x10, 0xC0, 0xC0}}, {{0x50, 0x54, 0x11, 0xC0, 0xC0}}},
                                 {{0x51, 0x3C, 0xCF, 0xF8, 0xFF}}};
    static const Packs k525Long{{{{0x50, 0x56, 0x10, 0xC0, 0xC0}}, {{0x50, 0x56, 0x11, 0xC0, 0xC0}}},
                                {{0x51, 0x3C, 0xCF, 0xF8, 0xFF}}};
    static const Packs k625{{{{0x50, 0x58, 0x10, 0xE0, 0xC0}}, {{0x50, 0x58, 0x11, 0xE0, 0xC0}}},
                            {{0x51, 0x3C, 0xCF, 0xE4, 0xFF}}};
    if (lines625) return k625;
    return samples == 1600 ? k525Short : k525Long;
}

// A sequence that is not DIF data: a header block first, audio blocks where they belong, a
// sequence number the system has.
bool LooksLikeDif(const std::uint8_t* seq, int sequencesPerChannel, bool fiftyMbit) {
    if ((seq[0] & 0xE0) != 0x00) return false;
    if ((seq[1] >> 4) >= sequencesPerChannel) return false;
    if ((seq[1] & 0x08) && !fiftyMbit) return false;
    for (int k = 0; k < kAudioBlocks; ++k)
        if ((seq[kFirstAudioBlock + kAudioBlockStride * std::size_t(k)] & 0xE0) != 0x60) return false;
    return true;
}

DvResult Fail(platform::RunReport& report, RunFault fault, std::uint64_t frames = 0) {
    report.SetStatus(RunStatus::Error);
    return {RunStatus::Error, fault, frames};
}

}  // namespace

int SamplesInFrame(std::uint64_t frame, bool lines625) {
    if (lines625) return 1920;
    return frame % 5 == 1 ? 1600 : 1602;
}

BlockPlace ShufflePlace(int i, bool lines625) {
    if (lines625) return {(i / 3 + 2 * (i % 3)) % 6, 3 * (i % 3) + (i % 54) / 18, i / 54};
    return {(i / 3 + 2 * (i % 3)) % 5, 3 * (i % 3) + (i % 45) / 15, i / 45};
}

DvResult ReplaceDvAudio(const stream_analysis::VideoAnalysis& video, ps::ByteSource& dv, ps::ByteSource& wave,
                        std::uint64_t waveBytes, ps::ByteSink& output, platform::RunReport& report) {
    const bool lines625 = video.dv625Lines;
    const int half = lines625 ? 6 : 5;
    report.SetStatus(RunStatus::Processing);
    platform::ProgressStepper progress(report, std::uint64_t(std::max<std::int64_t>(video.fileSize, 0)), 1);
    progress.Begin();

    // [sequence][audio block][position]: one frame of both channels, zero until samples come.
    std::vector<std::int16_t> shuffle(std::size_t(kMaxSequences) * kAudioBlocks * kBlockSamples, 0);
    auto at = [&](int s, int k, int p) -> std::int16_t& {
        return shuffle[(std::size_t(s) * kAudioBlocks + std::size_t(k)) * kBlockSamples + std::size_t(p)];
    };
    std::vector<std::uint8_t> pcm(1920 * 4);
    std::array<std::uint8_t, kSequenceBytes> seq{};
    std::uint64_t frames = 0, consumed = 0, waveLeft = waveBytes;
    int samples = SamplesInFrame(1, lines625);
    // Sequences since the last frame began; a damaged sequence where a frame's first belongs
    // still takes that frame's samples, so the sound stays in step with the pictures.
    const int sequencesPerFrame = half * 2 * (video.dv50Mbit ? 2 : 1);
    int inFrame = sequencesPerFrame;
    std::uint64_t damaged = 0, firstDamagedAt = 0;

    for (;;) {
        const std::size_t got = dv.Read(seq.data(), seq.size());
        if (got < seq.size()) {
            // A rest shorter than a sequence holds nothing a player could use: it is left out, and
            // the user hears of it.
            if (got > 0) {
                char text[160];
                std::snprintf(text, sizeof text,
                              "The last %zu bytes of the video file are not a whole DIF sequence and were left out.",
                              got);
                report.InfoBox(text);
            }
            break;
        }
        // A damaged sequence is copied as it is: its header cannot say where it belongs, and
        // audio written over what is not an audio block would damage the picture. The rest of
        // the file is still worth its new sound.
        const bool dif = LooksLikeDif(seq.data(), half * 2, video.dv50Mbit);
        if (!dif && damaged++ == 0) firstDamagedAt = consumed;
        consumed += got;
        progress.Unit(consumed);

        const bool secondChannel = (seq[1] & 0x08) != 0;
        const int s = dif ? (seq[1] >> 4) + (secondChannel ? 16 : 0) : -1;
        if (s == 0 || (!dif && inFrame >= sequencesPerFrame)) {
            inFrame = 0;
            // Stop is honoured between frames, so the output ends with whole frames.
            if (frames > 0 && report.StopRequested()) {
                output.Finish();
                report.SetStatus(RunStatus::Canceled);
                return {RunStatus::Canceled, RunFault::None, frames};
            }
            ++frames;
            samples = SamplesInFrame(frames, lines625);
            const std::size_t want = std::size_t(samples) * 4;
            const std::size_t take = std::size_t(std::min<std::uint64_t>(want, waveLeft - waveLeft % 4));
            std::size_t read = take ? wave.Read(pcm.data(), take) : 0;
            read -= read % 4;
            waveLeft = read < take ? 0 : waveLeft - read;
            std::memset(pcm.data() + read, 0, want - read);  // past the WAVE's end: silence
            for (int i = 0; i < samples; ++i) {
                const BlockPlace place = ShufflePlace(i, lines625);
                at(place.sequence, place.block, place.position) = std::int16_t(pcm[4 * i] | pcm[4 * i + 1] << 8);
                at(place.sequence + half, place.block, place.position) =
                    std::int16_t(pcm[4 * i + 2] | pcm[4 * i + 3] << 8);
            }
        }
        ++inFrame;
        if (dif) seq[5] &= 0x7F;  // the audio of this sequence is valid
        if (dif && !secondChannel) {
            const Packs& packs = PacksFor(lines625, samples);
            for (int k = 0; k < kAudioBlocks; ++k) {
                std::uint8_t* block = seq.data() + kFirstAudioBlock + kAudioBlockStride * std::size_t(k);
                for (int p = 0; p < kBlockSamples; ++p) {
                    const auto v = std::uint16_t(at(s, k, p));
                    block[kDataOffset + 2 * std::size_t(p)] = std::uint8_t(v >> 8);
                    block[kDataOffset + 2 * std::size_t(p) + 1] = std::uint8_t(v);
                }
            }
            const std::size_t first = (s % 2) ? 0 : 2;
            std::uint8_t* sourceBlock = seq.data() + kFirstAudioBlock + kAudioBlockStride * first;
            std::uint8_t* controlBlock = sourceBlock + kAudioBlockStride;
            std::memcpy(sourceBlock + kPackOffset, packs.source[s < half ? 0 : 1].data(), 5);
            std::memcpy(controlBlock + kPackOffset, packs.control.data(), 5);
        }
        if (!output.Write(seq.data(), seq.size())) return Fail(report, RunFault::WriteFailed, frames);
    }
    if (!output.Finish()) return Fail(report, RunFault::WriteFailed, frames);
    if (damaged > 0) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "DIF sequence error in video file at byte %" PRIu64 " (%" PRIu64
                      " damaged sequences in all): they were copied without the new audio.",
                      firstDamagedAt, damaged);
        report.InfoBox(text);
    }
    progress.Finish(consumed);
    report.SetStatus(RunStatus::Done);
    return {RunStatus::Done, RunFault::None, frames};
}

DvResult RunDvAudio(const stream_analysis::VideoAnalysis& video, const stream_analysis::AudioAnalysis& audio,
                    const std::string& videoPath, const std::string& audioPath, const std::string& outputPath,
                    platform::RunReport& report) {
    if (audio.type != stream_analysis::AudioType::Wave) return Fail(report, RunFault::DvNeedsWave);
    if (audio.sampleRate != 48000) return Fail(report, RunFault::DvNeeds48k);
    if (!video.valid || video.kind != stream_analysis::VideoKind::Dv) return Fail(report, RunFault::DvNeedsDvVideo);
    auto dv = ps::FileSource::Open(videoPath);
    if (!dv) return Fail(report, RunFault::CantOpenVideo);
    ps::PcmWave wave = ps::OpenPcmWave(audioPath, 48000);
    if (!wave.opened) return Fail(report, RunFault::CantOpenAudio);
    if (!wave.file) return Fail(report, RunFault::DvNeedsWave);
    ps::RunOutput output(outputPath, {videoPath, audioPath});
    if (!output.Created()) return Fail(report, output.Fault());
    DvResult result = ReplaceDvAudio(video, *dv, *wave.file, wave.dataBytes, output.Sink(), report);
    if (result.status != RunStatus::Error && !output.Keep()) return Fail(report, RunFault::WriteFailed, result.frames);
    return result;
}

}  // namespace dv_audio
