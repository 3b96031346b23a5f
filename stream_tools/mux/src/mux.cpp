#include "ps_mux/mux.h"

#include <array>
#include <cstring>

#include "mpeg_audio/audio_frame.h"
#include "ps_common/lookahead_reader.h"
#include "ps_common/program_stream.h"
#include "ps_common/run_output.h"
#include "start_codes/start_codes.h"

namespace ps_mux {

using stream_analysis::AudioType;

MuxClock ClockFor(std::uint32_t videoBitrate, std::uint32_t audioBitrate) {
    const std::uint64_t sum = std::uint64_t(videoBitrate) + audioBitrate;
    const std::uint64_t w = sum + sum / 32;
    MuxClock clock;
    if (w == 0) return clock;
    clock.muxRate = std::uint32_t(w / 400);
    clock.scrStep = kPackBytes * 720000 / w;
    return clock;
}

namespace {

using platform::RunStatus;
using ps::RunFault;

MuxResult Failed(platform::RunReport& report, RunFault fault, std::uint64_t packs = 0) {
    report.SetStatus(RunStatus::Error);
    return {RunStatus::Error, fault, packs};
}

// Room to see a start code and the picture header's first two bytes past a packet's end.
constexpr std::size_t kLookahead = 8;

class Multiplexer {
public:
    Multiplexer(const MuxInputs& in, ps::ByteSource& video, ps::ByteSource& audio, ps::ByteSink& out,
                platform::RunReport& report)
        : in_(in), layout_(LayoutOf(in.version)), video_(video), audio_(audio), out_(out), report_(report) {}

    MuxResult Run();

private:
    bool WriteFirstPack();
    bool WritePack(std::uint8_t* pack, std::size_t bytes);
    bool WritePadding();
    bool WriteVideoPacket();
    bool WriteAudioPacket();
    MuxResult Fail(RunFault fault) { return Failed(report_, fault, packCounter_); }

    const MuxInputs& in_;
    const PackLayout& layout_;
    ps::LookaheadReader video_;
    ps::LookaheadReader audio_;
    ps::ByteSink& out_;
    platform::RunReport& report_;

    // MuxState
    std::uint64_t scr_ = 1;
    std::uint64_t scrStep_ = 0;
    std::uint64_t packCounter_ = 0;
    std::uint32_t muxRate_ = 0;
    std::uint64_t nextVideoTime_ = kStartupDelay;
    std::uint64_t nextAudioTime_ = kStartupDelay;
    std::uint64_t pictureCounter_ = 0;
    std::uint64_t groupBase_ = 0;
    std::uint64_t audioFrameCounter_ = 0;
    std::uint64_t nextFrameOffset_ = 0;  // stream offset of the next audio frame header
    bool videoEnded_ = false;
    bool audioEnded_ = false;
    std::uint64_t consumed_ = 0;
    std::uint64_t total_ = std::uint64_t(in_.video.fileSize) + std::uint64_t(in_.audio.fileSize);
    platform::ProgressStepper progress_{report_, total_, 1};
    RunFault failure_ = RunFault::None;
    std::array<std::uint8_t, kPackBytes> pack_{};
    std::size_t packHeaderBytes_ = 0;
};

MuxResult Multiplexer::Run() {
    if (!in_.video.valid || in_.audio.type != AudioType::Mpeg || in_.video.kind == stream_analysis::VideoKind::Dv)
        return Fail(RunFault::InputsNotValid);
    const MuxClock clock = ClockFor(in_.video.bitrate, in_.audio.bitrate);
    if (clock.scrStep == 0) return Fail(RunFault::InputsNotValid);
    muxRate_ = clock.muxRate;
    scrStep_ = clock.scrStep;

    report_.SetStatus(RunStatus::Processing);
    report_.SetProgress(1);
    videoEnded_ = video_.Ensure(1) == 0;
    audioEnded_ = audio_.Ensure(1) == 0;
    if (!WriteFirstPack()) return Fail(RunFault::WriteFailed);
    report_.SetCounts(0, std::int64_t(total_));

    for (;;) {
        if (videoEnded_ && audioEnded_) {
            const std::uint8_t end[4] = {0, 0, 1, start_codes::kProgramEnd};
            if (!out_.Write(end, 4) || !out_.Finish()) return Fail(RunFault::WriteFailed);
            report_.SetProgress(platform::kProgressSteps);
            report_.SetCounts(std::int64_t(consumed_), std::int64_t(total_));
            report_.SetStatus(RunStatus::Done);
            return {RunStatus::Done, RunFault::None, packCounter_};
        }
        ++packCounter_;
        scr_ = packCounter_ * scrStep_ + 1;
        if (report_.StopRequested()) {
            out_.Finish();
            report_.SetStatus(RunStatus::Canceled);
            return {RunStatus::Canceled, RunFault::None, packCounter_};
        }
        progress_.Advance(consumed_);
        if (packCounter_ % 256 == 1) report_.SetCounts(std::int64_t(consumed_), std::int64_t(total_));

        packHeaderBytes_ = WritePackHeader(pack_.data(), in_.version, scr_, muxRate_, false);
        const std::uint64_t due = scr_ + kStartupDelay;
        bool ok;
        if (videoEnded_) {
            ok = nextAudioTime_ <= due ? WriteAudioPacket() : WritePadding();
        } else if (audioEnded_) {
            ok = nextVideoTime_ <= due ? WriteVideoPacket() : WritePadding();
        } else if (nextVideoTime_ <= due || nextAudioTime_ <= due) {
            ok = nextVideoTime_ <= nextAudioTime_ ? WriteVideoPacket() : WriteAudioPacket();
        } else {
            ok = WritePadding();
        }
        if (!ok) return Fail(failure_);
    }
}

bool Multiplexer::WritePack(std::uint8_t* pack, std::size_t bytes) {
    if (out_.Write(pack, bytes)) return true;
    failure_ = RunFault::WriteFailed;
    return false;
}

bool Multiplexer::WriteFirstPack() {
    std::size_t at = WritePackHeader(pack_.data(), in_.version, scr_, muxRate_, true);
    at += WriteSystemHeader(pack_.data() + at, muxRate_);
    at += WritePaddingPacket(pack_.data() + at, layout_.firstPadding);
    return WritePack(pack_.data(), at);
}

bool Multiplexer::WritePadding() {
    const std::size_t at = packHeaderBytes_ + WritePaddingPacket(pack_.data() + packHeaderBytes_, layout_.laterPadding);
    return WritePack(pack_.data(), at);
}

bool Multiplexer::WriteVideoPacket() {
    const std::size_t held = video_.Ensure(layout_.payload + kLookahead);
    const std::size_t take = std::min(held, layout_.payload);
    videoEnded_ = held <= layout_.payload;
    const std::uint8_t* data = video_.Data();

    // Start codes are found wherever they begin in the packet, not only at 4-byte boundaries.
    TimeStamps stamps = TimeStamps::None;
    std::uint64_t pts = 0, dts = 0;
    for (std::size_t at = start_codes::FindStartCode(data, held); at < take;
         at = start_codes::FindStartCode(data, held, at + 4)) {
        const std::uint8_t code = data[at + 3];
        if (code == start_codes::kSequenceHeader || code == start_codes::kGroup) {
            // Each group (sequence header or group of pictures header) restarts the references.
            groupBase_ = pictureCounter_;
        } else if (code == start_codes::kPicture && at + 5 < held) {
            const int temporalReference = data[at + 4] << 2 | data[at + 5] >> 6;
            const int codingType = (data[at + 5] >> 3) & 7;
            if (stamps == TimeStamps::None) {
                pts = in_.video.framePeriod * (groupBase_ + temporalReference) + kStartupDelay;
                if (codingType == ps::kPictureB) {
                    stamps = TimeStamps::Pts;
                } else {
                    // Decoding runs one picture period ahead of display: DTS follows the decode
                    // order at the stream's own rate.
                    stamps = TimeStamps::PtsDts;
                    dts = in_.video.framePeriod * pictureCounter_ + kStartupDelay - in_.video.framePeriod;
                }
            }
            ++pictureCounter_;
            nextVideoTime_ = in_.video.framePeriod * pictureCounter_ + kStartupDelay;
        }
    }

    std::size_t at = packHeaderBytes_;
    at += WritePesHeader(pack_.data() + at, in_.version, ps::kVideoStream0, take, stamps, pts, dts);
    std::memcpy(pack_.data() + at, data, take);
    video_.Consume(take);
    consumed_ += take;
    return WritePack(pack_.data(), at + take);
}

bool Multiplexer::WriteAudioPacket() {
    const std::size_t held = audio_.Ensure(layout_.payload + kLookahead);
    const std::size_t take = std::min(held, layout_.payload);
    audioEnded_ = held <= layout_.payload;
    const std::uint8_t* data = audio_.Data();
    const std::uint64_t start = audio_.Offset();

    // Each frame's length comes from its own header: padded frames (4 bytes in Layer I) and
    // bit rate changes need no guessing.
    TimeStamps stamps = TimeStamps::None;
    std::uint64_t pts = 0;
    while (nextFrameOffset_ < start + take) {
        const std::size_t at = std::size_t(nextFrameOffset_ - start);
        if (at + 4 > held) break;  // a truncated last frame
        mpa::AudioFrameHeader header;
        int length = 0;
        if (data[at] == 0xFF && data[at + 1] == in_.audio.syncByte && mpa::ParseHeaderBytes(data + at, header))
            length = mpa::FrameLengthBytes(header);
        if (length <= 0) {
            failure_ = RunFault::AudioSyncLost;
            return false;
        }
        const std::uint64_t spf = std::uint64_t(in_.audio.samplesPerFrame);
        if (stamps == TimeStamps::None) {
            stamps = TimeStamps::Pts;
            pts = spf * audioFrameCounter_ * 90000 / in_.audio.sampleRate + kStartupDelay;
        }
        ++audioFrameCounter_;
        nextAudioTime_ = spf * audioFrameCounter_ * 90000 / in_.audio.sampleRate + kStartupDelay;
        nextFrameOffset_ += std::uint64_t(length);
    }

    std::size_t at = packHeaderBytes_;
    at += WritePesHeader(pack_.data() + at, in_.version, ps::kAudioStream0, take, stamps, pts, 0);
    std::memcpy(pack_.data() + at, data, take);
    audio_.Consume(take);
    consumed_ += take;
    return WritePack(pack_.data(), at + take);
}

}  // namespace

MuxResult RunMux(const MuxInputs& inputs, ps::ByteSource& video, ps::ByteSource& audio, ps::ByteSink& output,
                 platform::RunReport& report) {
    return Multiplexer(inputs, video, audio, output, report).Run();
}

bool MeasureWholeVideo(MuxInputs& inputs, const std::string& videoPath, platform::RunReport& report) {
    if (stream_analysis::MeasureWholeStream(inputs.video, videoPath, [&report] { return report.StopRequested(); }))
        return true;
    report.SetStatus(RunStatus::Canceled);
    return false;
}

MuxResult RunMuxFiles(MuxInputs inputs, const std::string& videoPath, const std::string& audioPath,
                      const std::string& outputPath, platform::RunReport& report) {
    if (!inputs.video.valid || inputs.audio.type != AudioType::Mpeg) return Failed(report, RunFault::InputsNotValid);
    if (!MeasureWholeVideo(inputs, videoPath, report)) return {RunStatus::Canceled, RunFault::None, 0};
    auto video = ps::FileSource::Open(videoPath);
    if (!video) return Failed(report, RunFault::CantOpenVideo);
    auto audio = ps::FileSource::Open(audioPath);
    if (!audio) return Failed(report, RunFault::CantOpenAudio);
    ps::RunOutput output(outputPath, {videoPath, audioPath});
    if (!output.Created()) return Failed(report, output.Fault());
    MuxResult result = RunMux(inputs, *video, *audio, output.Sink(), report);
    if (result.status != RunStatus::Error && !output.Keep()) return Failed(report, RunFault::WriteFailed, result.packs);
    return result;
}

}  // namespace ps_mux
