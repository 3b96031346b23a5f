#include "wave_convert/convert.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "ps_common/pcm_wave.h"
#include "platform/run_report.h"
#include "ps_common/run_output.h"
#include "wave_convert/wave_encoder.h"

namespace wave_convert {

using platform::RunStatus;
using ps::RunFault;
using ps_mux::MuxResult;

namespace {

MuxResult Fail(platform::RunReport& report, RunFault fault) {
    report.SetStatus(RunStatus::Error);
    return {RunStatus::Error, fault, 0};
}

// The encoder failed: its own words go with the result.
MuxResult EncoderFailed(platform::RunReport& report, const std::string& words) {
    MuxResult result = Fail(report, RunFault::EncoderFailed);
    result.encoderError = words;
    return result;
}

struct OpenedWave {
    std::unique_ptr<ps::FileSource> file;
    PcmInput pcm;
    RunFault fault = RunFault::None;
};

// Only 16-bit stereo PCM at the probed rate is taken.
OpenedWave OpenWave(const WaveSettings& wave) {
    OpenedWave w;
    if (wave.audio.type != stream_analysis::AudioType::Wave) {
        w.fault = RunFault::AudioNotValid;
        return w;
    }
    ps::PcmWave pcm = ps::OpenPcmWave(wave.audioPath, wave.audio.sampleRate);
    if (!pcm.file) {
        w.fault = pcm.opened ? RunFault::AudioNotValid : RunFault::CantOpenAudio;
        return w;
    }
    w.file = std::move(pcm.file);
    w.pcm = {w.file.get(), pcm.dataBytes, pcm.rate};
    return w;
}

// The encoder's frames as the byte stream the multiplexer reads, encoded as it asks for them.
class EncodedAudio final : public ps::ByteSource {
public:
    explicit EncodedAudio(WaveEncoder& encoder) : encoder_(encoder) {}

    std::size_t Read(std::uint8_t* dst, std::size_t n) override {
        std::size_t done = 0;
        while (done < n) {
            if (held_.empty() && !Refill()) break;
            const std::size_t take = std::min(n - done, held_.size());
            std::copy_n(held_.begin(), take, dst + done);
            held_.erase(held_.begin(), held_.begin() + std::ptrdiff_t(take));
            done += take;
        }
        return done;
    }
    // The first bytes, without consuming them (the header the multiplexer's frame walk expects).
    const std::deque<std::uint8_t>& Peek() {
        if (held_.empty()) Refill();
        return held_;
    }
    bool Failed() const { return failed_; }
    std::uint64_t Produced() const { return produced_; }

private:
    bool Refill() {
        if (ended_) return false;
        switch (encoder_.NextFrame(frame_)) {
        case WaveEncoder::Next::Frame:
            held_.insert(held_.end(), frame_.begin(), frame_.end());
            produced_ += frame_.size();
            return true;
        case WaveEncoder::Next::Failed: failed_ = true; break;
        case WaveEncoder::Next::End: break;
        }
        ended_ = true;
        return false;
    }

    WaveEncoder& encoder_;
    std::vector<std::uint8_t> frame_;
    std::deque<std::uint8_t> held_;
    std::uint64_t produced_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};

}  // namespace

MuxResult RunWaveToMpeg(const WaveSettings& wave, const std::string& outputPath, platform::RunReport& report) {
    OpenedWave in = OpenWave(wave);
    if (!in.file) return Fail(report, in.fault);
    ps::RunOutput output(outputPath, {wave.audioPath});
    if (!output.Created()) return Fail(report, output.Fault());
    ps::ByteSink* out = &output.Sink();
    report.SetStatus(RunStatus::Processing);

    WaveEncoder encoder(in.pcm, wave.layer, wave.bitrate, *wave.registry);
    if (!encoder.Start(report)) return EncoderFailed(report, encoder.Error());
    const std::uint64_t total = std::uint64_t(std::max<std::int64_t>(wave.audio.fileSize, 0));
    platform::ProgressStepper progress(report, total, 1);
    progress.Begin();
    encoder.TrimFirstFrame();

    std::vector<std::uint8_t> frame;
    std::uint64_t written = 0;
    for (;;) {
        if (report.StopRequested()) {
            if (!output.Keep()) return Fail(report, RunFault::WriteFailed);
            report.SetStatus(RunStatus::Canceled);
            return {RunStatus::Canceled, RunFault::None, 0};
        }
        const WaveEncoder::Next next = encoder.NextFrame(frame);
        if (next == WaveEncoder::Next::Failed) return EncoderFailed(report, encoder.Error());
        if (next == WaveEncoder::Next::End) break;
        progress.Unit(encoder.BytesRead());
        if (!out->Write(frame.data(), frame.size())) return Fail(report, RunFault::WriteFailed);
        written += frame.size();
    }
    // Samples in and nothing out: the codec failed without saying so.
    if (encoder.BytesRead() > 0 && written == 0) return EncoderFailed(report, kEncoderError);
    if (!output.Keep()) return Fail(report, RunFault::WriteFailed);
    progress.Finish(encoder.BytesRead());
    report.SetStatus(RunStatus::Done);
    return {RunStatus::Done, RunFault::None, 0};
}

MuxResult RunMuxWithWave(ps_mux::MuxInputs inputs, const std::string& videoPath, const WaveSettings& wave,
                         const std::string& outputPath, platform::RunReport& report) {
    if (!inputs.video.valid || inputs.video.kind == stream_analysis::VideoKind::Dv ||
        wave.audio.type != stream_analysis::AudioType::Wave)
        return Fail(report, RunFault::InputsNotValid);
    if (!ps_mux::MeasureWholeVideo(inputs, videoPath, report)) return {RunStatus::Canceled, RunFault::None, 0};
    auto video = ps::FileSource::Open(videoPath);
    if (!video) return Fail(report, RunFault::CantOpenVideo);
    OpenedWave in = OpenWave(wave);
    if (!in.file) return Fail(report, in.fault == RunFault::AudioNotValid ? RunFault::InputsNotValid : in.fault);
    ps::RunOutput output(outputPath, {videoPath, wave.audioPath});
    if (!output.Created()) return Fail(report, output.Fault());

    WaveEncoder encoder(in.pcm, wave.layer, wave.bitrate, *wave.registry);
    if (!encoder.Start(report)) return EncoderFailed(report, encoder.Error());
    EncodedAudio audio(encoder);
    const auto& first = audio.Peek();
    if (audio.Failed()) return EncoderFailed(report, encoder.Error());

    // The frames stand in for an MPEG audio file: its parameters are the encoder's.
    stream_analysis::AudioAnalysis& a = inputs.audio;
    a = {};
    a.type = stream_analysis::AudioType::Mpeg;
    a.sampleRate = in.pcm.rate;
    a.layer = wave.layer;
    a.bitrate = std::uint32_t(wave.bitrate);
    a.samplesPerFrame = encoder.SamplesPerFrame();
    a.frameLength = encoder.FrameLength();
    a.syncByte = first.size() >= 2 ? first[1] : encoder.HeaderSyncByte();
    const std::uint64_t frameBytes = std::uint64_t(encoder.SamplesPerFrame()) * 4;
    a.fileSize = std::int64_t((in.pcm.bytes + frameBytes - 1) / frameBytes * std::uint64_t(a.frameLength));

    MuxResult result = ps_mux::RunMux(inputs, *video, audio, output.Sink(), report);
    if (audio.Failed()) return EncoderFailed(report, encoder.Error());
    if (result.status == RunStatus::Done && encoder.BytesRead() > 0 && audio.Produced() == 0)
        return EncoderFailed(report, kEncoderError);
    if (result.status != RunStatus::Error && !output.Keep()) return Fail(report, RunFault::WriteFailed);
    return result;
}

}  // namespace wave_convert
