#include "ps_demux/demux.h"

#include <array>
#include <cstdio>
#include <optional>
#include <vector>

#include "audio_track.h"
#include "platform/replacing_file.h"
#include "platform/kernel.h"
#include "ps_common/lookahead_reader.h"
#include "ps_common/program_stream.h"
#include "start_codes/start_codes.h"
#include "ps_demux/picture_indexer.h"
#include "ps_demux/stream_report.h"

namespace ps_demux {
namespace {

using platform::RunStatus;
using ps::RunFault;

const char* const kUnexpectedEnd = "Unexpected end of stream";
const char* const kCouldNotWrite = "Error: could not write file";
// Bytes of a video track held for its header report before indexing starts.
constexpr std::size_t kVideoReportBytes = 400;
constexpr std::size_t kCopyChunk = 64 * 1024;

std::string Hex(std::uint8_t id) {
    char text[4];
    std::snprintf(text, sizeof text, "%x", id);
    return text;
}

struct DemuxTrack {
    std::uint8_t id = 0;
    std::string mpgPath, sidePath;  // the track's files, named when a write fails
    std::unique_ptr<ps::ByteSink> mpg;
    // Decoding: one of the two.
    std::unique_ptr<AudioTrackDecoder> audio;
    std::unique_ptr<ps::ByteSink> mdb;
    std::unique_ptr<PictureIndexer> indexer;
    std::vector<std::uint8_t> videoHead;  // bytes held until the header report
    bool videoFirstBytes = false;
    bool headerRefused = false;  // not MPEG video: the run stops, and there is nothing to index
    bool indexDropped = false;   // no index of this run: none may stay beside its new .mpg
};

class Demultiplexer {
public:
    Demultiplexer(ps::ByteSource& input, std::int64_t inputSize, std::string inputPath,
                  const DemuxSettings& settings, platform::RunReport& report)
        : in_(input, 1 << 20),
          inputPath_(std::move(inputPath)),
          settings_(settings),
          report_(report),
          progress_(report, std::uint64_t(inputSize > 0 ? inputSize : 0)) {}

    DemuxResult Run();

private:
    enum class Step { Go, Stop };
    bool Need(std::size_t n);
    Step DemuxPack();
    Step DemuxPacket();
    Step Fail(const std::string& message) {
        report_.AddMessage(message);
        return Step::Stop;
    }
    Step Damaged(const char* what) {
        char text[96];
        std::snprintf(text, sizeof text, "%s at offset %llu", what, static_cast<unsigned long long>(in_.Offset()));
        damaged_ = true;
        return Fail(text);
    }
    // Null when the run has to stop (the reason is listed, or the output base is empty).
    DemuxTrack* FindOrCreateTrack(std::uint8_t id);
    bool WriteTrackData(DemuxTrack& track, std::size_t bytes);
    bool FeedTrack(DemuxTrack& track, const std::uint8_t* bytes, std::size_t n);
    bool StartVideoIndex(DemuxTrack& track, bool report);
    // Completes every track's files, then puts them all in place, or, after a failed write, none:
    // none of them would be complete, and what was at their names stays as it was.
    void FinishTracks();
    void CommitTrack(DemuxTrack& track);
    void WriteFailed(const std::string& path);
    // A video track's .mdb, dropped unwritten.
    void RemoveIndex(DemuxTrack& track);
    std::unique_ptr<ps::ByteSink> Create(const std::string& path);
    DemuxResult Failed(RunFault fault, int tracks) {
        report_.SetStatus(RunStatus::Error);
        return {RunStatus::Error, fault, tracks};
    }
    DemuxResult WriteFailedResult(int tracks) { return Failed(RunFault::TrackWriteFailed, tracks); }

    ps::LookaheadReader in_;
    std::string inputPath_;
    const DemuxSettings& settings_;
    platform::RunReport& report_;
    int version_ = 1;
    platform::ProgressStepper progress_;
    bool errorFlag_ = false;
    bool damaged_ = false;
    bool writeFailed_ = false;
    bool canceled_ = false;
    std::vector<std::unique_ptr<DemuxTrack>> tracks_;
};

bool Demultiplexer::Need(std::size_t n) {
    if (in_.Ensure(n) >= n) return true;
    errorFlag_ = true;
    report_.AddMessage(kUnexpectedEnd);
    return false;
}

std::unique_ptr<ps::ByteSink> Demultiplexer::Create(const std::string& path) {
    // An output named like the input (another spelling, a link) would truncate the stream being read.
    if (platform::IsSameFile(path, inputPath_)) {
        report_.AddMessage("Output file is the input file: " + path);
        writeFailed_ = true;
        return nullptr;
    }
    if (settings_.createFile) return settings_.createFile(path);
    return ps::FileSink::Create(path, {inputPath_});
}

void Demultiplexer::WriteFailed(const std::string& path) {
    report_.AddMessage(std::string(kCouldNotWrite) + " " + path);
    writeFailed_ = true;
}

void Demultiplexer::RemoveIndex(DemuxTrack& track) {
    // The index was only ever written under a temporary name; the one an earlier run left at
    // its name goes once the new .mpg is in place (CommitTrack).
    track.mdb.reset();
    if (settings_.createFile) return;
    track.indexDropped = true;
    report_.AddMessage("Index not written: " + track.sidePath);
}

void Demultiplexer::CommitTrack(DemuxTrack& track) {
    if (!track.mpg->Commit()) {
        WriteFailed(track.mpgPath);
        return;
    }
    if (track.audio && !track.audio->Commit()) WriteFailed(track.sidePath);
    if (track.mdb && !track.mdb->Commit()) WriteFailed(track.sidePath);
    // An index there describes another stream: the panel and the split would seek with it.
    if (track.indexDropped) platform::RemoveIncompleteOutput(track.sidePath);
}

DemuxResult Demultiplexer::Run() {
    report_.SetStatus(RunStatus::Processing);
    std::optional<std::uint32_t> next;
    bool early = false;
    for (;;) {
        if (DemuxPack() == Step::Stop) {
            early = true;
            break;
        }
        next.reset();
        const std::size_t held = in_.Ensure(4);
        if (held < 4) {
            // A stream may simply end after its last packet; only a cut inside a code is reported.
            if (held > 0) report_.AddMessage(kUnexpectedEnd);
            break;
        }
        next = ps::ReadBe32(in_.Data());
        if (*next != start_codes::BigEndianWord(start_codes::kPack)) break;
    }
    if (!early && next && *next != start_codes::BigEndianWord(start_codes::kProgramEnd)) {
        // Bytes that are neither a pack nor the end code: the stream is damaged here.
        Damaged("No pack start code");
        early = true;
    }
    if (!early && !(next && *next == start_codes::BigEndianWord(start_codes::kProgramEnd))) report_.AddMessage("No end of stream code detected");

    const int tracks = int(tracks_.size());
    if (early) {
        report_.AddMessage("");
        report_.AddMessage("Process discontinued");
        FinishTracks();
        if (writeFailed_) return WriteFailedResult(tracks);
        if (canceled_) return {RunStatus::Canceled, RunFault::None, tracks};
        if (damaged_) return Failed(RunFault::DamagedStream, tracks);
        return {RunStatus::Discontinued, RunFault::None, tracks};
    }
    FinishTracks();
    if (writeFailed_) return WriteFailedResult(tracks);
    report_.SetProgress(platform::kProgressSteps);
    report_.SetStatus(RunStatus::Done);
    report_.AddMessage("");
    report_.AddMessage("Finished !!!");
    return {RunStatus::Done, RunFault::None, tracks};
}

Demultiplexer::Step Demultiplexer::DemuxPack() {
    if (!Need(12)) return Step::Stop;
    const std::uint8_t* p = in_.Data();
    if (ps::ReadBe32(p) != start_codes::BigEndianWord(start_codes::kPack)) return Damaged("No pack start code");
    std::size_t headerBytes = 12;
    if (p[4] > 63) {
        if (!Need(14)) return Step::Stop;
        version_ = 2;
        headerBytes = 14 + (in_.Data()[13] & 7);
    } else {
        version_ = 1;
    }
    if (!Need(headerBytes + 4)) return Step::Stop;
    in_.Consume(headerBytes);
    if (ps::ReadBe32(in_.Data()) == start_codes::BigEndianWord(start_codes::kSystemHeader)) {
        if (!Need(6)) return Step::Stop;
        const std::size_t skip = 6 + ps::ReadBe16(in_.Data() + 4);
        if (!Need(skip)) return Step::Stop;
        in_.Consume(skip);
    }
    for (;;) {
        const std::size_t held = in_.Ensure(4);
        if (held < 3) {
            if (held > 0) return Fail(kUnexpectedEnd);
            return Step::Go;  // the stream ends after this pack
        }
        const std::uint8_t* q = in_.Data();
        if (q[0] != 0 || q[1] != 0 || q[2] != 1) return Step::Go;
        if (held < 4) return Fail(kUnexpectedEnd);
        if (q[3] == start_codes::kPack || q[3] == start_codes::kProgramEnd) return Step::Go;
        if (DemuxPacket() == Step::Stop) return Step::Stop;
    }
}

Demultiplexer::Step Demultiplexer::DemuxPacket() {
    if (report_.StopRequested()) {
        canceled_ = true;
        report_.SetStatus(RunStatus::Canceled);
        return Step::Stop;
    }
    progress_.Advance(in_.Offset());
    if (!Need(6)) return Step::Stop;
    const std::uint8_t id = in_.Data()[3];
    if (id < 0xB9) return Damaged("Invalid stream id");
    const std::size_t packetBytes = 6 + std::size_t(ps::ReadBe16(in_.Data() + 4));
    if (id == ps::kPaddingStream || id == 0xBB) {
        if (!Need(packetBytes)) return Step::Stop;
        in_.Consume(packetBytes);
        return Step::Go;
    }

    // The header length, found only within the packet: a short packet at the end of a stream
    // is read as what it is.
    std::size_t headerBytes = 6;
    if (!ps::HasNoPesHeader(id)) {
        const std::size_t probe = std::min<std::size_t>(packetBytes, 6 + 16 + 2 + 10);
        if (!Need(probe)) return Step::Stop;
        const std::uint8_t* p = in_.Data();
        if (version_ == 2) {
            if (packetBytes < 9) return Damaged("Invalid packet header");
            headerBytes = 9 + std::size_t(p[8]);
        } else {
            std::size_t i = 6;
            while (i < probe && p[i] == 0xFF) ++i;
            if (i < probe && (p[i] & 0xC0) == 0x40) i += 2;  // STD buffer field
            if (i >= probe) return Damaged("Invalid packet header");
            const int kind = p[i] >> 4;
            headerBytes = i + (kind == 0x2 ? 5 : kind == 0x3 ? 10 : 1);
        }
        if (headerBytes > packetBytes) return Damaged("Invalid packet header");
    }

    DemuxTrack* track = FindOrCreateTrack(id);
    if (!track) return Step::Stop;
    if (!Need(headerBytes)) return Step::Stop;
    in_.Consume(headerBytes);
    return WriteTrackData(*track, packetBytes - headerBytes) ? Step::Go : Step::Stop;
}

DemuxTrack* Demultiplexer::FindOrCreateTrack(std::uint8_t id) {
    for (auto& t : tracks_)
        if (t->id == id) return t.get();
    if (tracks_.size() >= std::size_t(kMaxTracks)) {
        report_.AddMessage("Max Tracks Exceeded");
        return nullptr;
    }
    if (settings_.outputBase.empty()) return nullptr;
    auto track = std::make_unique<DemuxTrack>();
    track->id = id;
    const std::string name = settings_.outputBase + Hex(id);
    auto open = [&](const std::string& path) {
        report_.AddMessage("Creating file " + path);
        auto sink = Create(path);
        if (!sink) report_.AddMessage("can't open " + path);
        return sink;
    };
    report_.AddMessage("");
    track->mpgPath = name + ".mpg";
    track->mpg = open(track->mpgPath);
    if (!track->mpg) return nullptr;
    if (settings_.decode && ps::IsMpegAudioDecodable(id)) {
        track->sidePath = name + ".wav";
        auto wav = open(track->sidePath);
        if (!wav) return nullptr;
        const std::uint8_t reserved[44] = {};
        if (!wav->Write(reserved, sizeof reserved)) {
            WriteFailed(track->sidePath);
            return nullptr;
        }
        auto note = [this](const std::string& line) { report_.AddMessage(line); };
        track->audio = std::make_unique<AudioTrackDecoder>(
            std::move(wav), settings_.audioDecoder ? settings_.audioDecoder() : nullptr, note);
    } else if (settings_.decode && ps::IsVideoStream(id)) {
        track->sidePath = name + ".mdb";
        track->mdb = open(track->sidePath);
        if (!track->mdb) return nullptr;
        track->videoFirstBytes = true;
    }
    tracks_.push_back(std::move(track));
    return tracks_.back().get();
}

bool Demultiplexer::StartVideoIndex(DemuxTrack& track, bool report) {
    track.videoFirstBytes = false;
    if (report) {
        std::vector<std::string> lines;
        const VideoTrackHeader h = ParseVideoHeader(track.videoHead.data(), track.videoHead.size(), lines);
        for (const auto& line : lines) report_.AddMessage(line);
        if (!h.ok) {
            track.headerRefused = true;
            return false;
        }
    }
    ps::ByteSink* mdb = track.mdb.get();
    track.indexer = std::make_unique<PictureIndexer>(
        [mdb](const std::vector<index_formats::PictureIndexRecord>& group) {
            const auto bytes = index_formats::EncodePictureIndex(group);
            return mdb->Write(bytes.data(), bytes.size());
        },
        [this](const std::string& line) { report_.AddMessage(line); });
    const bool ok = track.indexer->Feed(track.videoHead.data(), track.videoHead.size());
    track.videoHead.clear();
    track.videoHead.shrink_to_fit();
    return ok;
}

bool Demultiplexer::FeedTrack(DemuxTrack& track, const std::uint8_t* bytes, std::size_t n) {
    if (track.audio) return track.audio->Feed(bytes, n);
    if (!track.mdb) return true;
    if (track.videoFirstBytes) {
        track.videoHead.insert(track.videoHead.end(), bytes, bytes + n);
        if (track.videoHead.size() <= kVideoReportBytes) return true;
        return StartVideoIndex(track, true);
    }
    return track.indexer->Feed(bytes, n);
}

bool Demultiplexer::WriteTrackData(DemuxTrack& track, std::size_t bytes) {
    while (bytes > 0) {
        const std::size_t want = std::min(bytes, kCopyChunk);
        const std::size_t held = std::min(in_.Ensure(want), want);
        if (held == 0) {
            report_.AddMessage(kUnexpectedEnd);
            return false;
        }
        if (!FeedTrack(track, in_.Data(), held)) {
            // A refused header has said why; only a failed write is one.
            if (!track.headerRefused) WriteFailed(track.sidePath);
            return false;
        }
        if (!track.mpg->Write(in_.Data(), held)) {
            WriteFailed(track.mpgPath);
            return false;
        }
        in_.Consume(held);
        bytes -= held;
    }
    return true;
}

DemuxResult Refused(platform::RunReport& report, RunFault fault) {
    report.SetStatus(RunStatus::Error);
    return {RunStatus::Error, fault, 0};
}

void Demultiplexer::FinishTracks() {
    for (auto& t : tracks_) {
        if (!t->mpg->Finish()) WriteFailed(t->mpgPath);
        bool sideOk = true;
        if (t->audio) sideOk = t->audio->Finish();
        if (t->mdb) {
            if (t->videoFirstBytes) sideOk = StartVideoIndex(*t, false) && sideOk;
            if (t->indexer) sideOk = t->indexer->Finish() && sideOk;
            sideOk = t->mdb->Finish() && sideOk;
        }
        if (!sideOk) WriteFailed(t->sidePath);
        // An index of a stream that is not MPEG video would index nothing, and one of a stream
        // with start codes off 4-byte boundaries would point into its pictures; its .mpg stays.
        if (t->headerRefused || (t->indexer && t->indexer->Refused())) RemoveIndex(*t);
    }
    // Runs onto the same names put their files in place in turn: each name ends with one run's.
    std::optional<platform::OutputGroupLock> group;
    if (!writeFailed_ && !settings_.createFile && !tracks_.empty()) {
        group.emplace(tracks_.front()->mpgPath);
        if (!group->Held()) {
            report_.AddMessage(group->Problem());
            writeFailed_ = true;
        }
    }
    const bool failed = writeFailed_;
    for (auto& t : tracks_) {
        if (!failed) {
            CommitTrack(*t);
        } else if (!settings_.createFile) {
            report_.AddMessage("Incomplete file not kept: " + t->mpgPath);
            if (t->audio || t->mdb) report_.AddMessage("Incomplete file not kept: " + t->sidePath);
        }
    }
    tracks_.clear();
}

}  // namespace

DemuxResult RunDemux(const stream_analysis::ProgramStreamAnalysis& analysis, ps::ByteSource& input,
                     const DemuxSettings& settings, platform::RunReport& report) {
    if (!analysis.ok) return Refused(report, RunFault::ProgramStreamNotValid);
    return Demultiplexer(input, analysis.fileSize, {}, settings, report).Run();
}

DemuxResult RunDemuxFile(const stream_analysis::ProgramStreamAnalysis& analysis, const std::string& inputPath,
                         const DemuxSettings& settings, platform::RunReport& report) {
    if (!analysis.ok) return Refused(report, RunFault::ProgramStreamNotValid);
    auto input = ps::FileSource::Open(inputPath);
    if (!input) return Refused(report, RunFault::CantOpenProgram);
    return Demultiplexer(*input, analysis.fileSize, inputPath, settings, report).Run();
}

}  // namespace ps_demux
