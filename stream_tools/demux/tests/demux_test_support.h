// Memory outputs, a scripted audio decoder and hand-built program streams for the demux tests.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/run_report.h"
#include "ps_common/program_stream.h"
#include "ps_demux/demux.h"

namespace demux_testing {

class MapSink : public ps::ByteSink {
public:
    explicit MapSink(std::vector<std::uint8_t>& target) : target_(target) {}
    bool Write(const std::uint8_t* src, std::size_t n) override {
        target_.insert(target_.end(), src, src + n);
        return true;
    }
    bool WriteAt(std::uint64_t offset, const std::uint8_t* src, std::size_t n) override {
        if (offset + n > target_.size()) return false;
        std::copy(src, src + n, target_.begin() + std::ptrdiff_t(offset));
        return true;
    }

private:
    std::vector<std::uint8_t>& target_;
};

// Each frame decodes to 4 stereo samples holding the frame's byte count.
class CountingDecoder : public ps_demux::TrackAudioDecoder {
public:
    int Decode(const std::uint8_t*, std::size_t bytes, std::int16_t* out) override {
        for (int i = 0; i < 8; ++i) out[i] = std::int16_t(bytes);
        return 8;
    }
    int Channels() const override { return 2; }
};

class Report : public platform::RunReport {
public:
    void SetStatus(platform::RunStatus s) override { status = platform::StatusText(s); }
    void AddMessage(const std::string& line) override { messages.push_back(line); }
    bool StopRequested() const override { return ++polls > stopAfter; }
    bool Has(const std::string& line) const {
        for (const auto& m : messages)
            if (m == line) return true;
        return false;
    }
    std::string status;
    std::vector<std::string> messages;
    int stopAfter = 1 << 30;
    mutable int polls = 0;
};

struct Outputs {
    std::map<std::string, std::vector<std::uint8_t>> files;
    ps_demux::DemuxSettings Settings(const std::string& base = "clip", bool decode = true) {
        ps_demux::DemuxSettings s;
        s.outputBase = base;
        s.decode = decode;
        s.audioDecoder = [] { return std::make_unique<CountingDecoder>(); };
        s.createFile = [this](const std::string& path) -> std::unique_ptr<ps::ByteSink> {
            return std::make_unique<MapSink>(files[path]);
        };
        return s;
    }
};

// Hand-built program streams.
class PsBuilder {
public:
    explicit PsBuilder(int version) : version_(version) {}
    PsBuilder& Pack(int stuffing = 0, bool systemHeader = false) {
        Put({0, 0, 1, 0xBA});
        if (version_ == 1) {
            Put({0x21, 0, 1, 0, 1, 0x80, 0x1B, 0x91});
        } else {
            Put({0x44, 0, 4, 0, 4, 1, 0x01, 0x89, 0xC3, std::uint8_t(0xF8 | stuffing)});
            for (int i = 0; i < stuffing; ++i) bytes.push_back(0xFF);
        }
        if (systemHeader) Put({0, 0, 1, 0xBB, 0, 9, 0x80, 0x1B, 0x91, 0x04, 0xE1, 0xFF, 0xE0, 0xE0, 0x00});
        return *this;
    }
    // MPEG-1 header forms: 0 no stamps (0F), 1 PTS, 2 PTS+DTS; std adds the buffer field; stuffing
    // bytes 0xFF in front. MPEG-2: a header with PTS.
    PsBuilder& Packet(std::uint8_t id, const std::vector<std::uint8_t>& payload, int form = 1, bool std = false,
                      int stuffing = 0) {
        std::vector<std::uint8_t> header;
        if (ps::HasNoPesHeader(id)) {
        } else if (version_ == 2) {
            header = {0x80, 0x80, 5, 0x21, 0, 1, 0, 1};
        } else {
            header.assign(std::size_t(stuffing), 0xFF);
            if (std) header.insert(header.end(), {0x60, 0x00});
            if (form == 0) header.push_back(0x0F);
            if (form == 1) header.insert(header.end(), {0x21, 0, 1, 0, 1});
            if (form == 2) header.insert(header.end(), {0x31, 0, 1, 0, 1, 0x11, 0, 1, 0, 1});
        }
        const std::size_t length = header.size() + payload.size();
        Put({0, 0, 1, id, std::uint8_t(length >> 8), std::uint8_t(length)});
        bytes.insert(bytes.end(), header.begin(), header.end());
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        return *this;
    }
    PsBuilder& End() {
        Put({0, 0, 1, 0xB9});
        return *this;
    }
    void Put(std::initializer_list<std::uint8_t> b) { bytes.insert(bytes.end(), b); }

    std::vector<std::uint8_t> bytes;

private:
    int version_;
};

inline stream_analysis::ProgramStreamAnalysis Accepted(std::size_t size) {
    stream_analysis::ProgramStreamAnalysis a;
    a.ok = true;
    a.fileSize = std::int64_t(size);
    return a;
}

inline ps_demux::DemuxResult Demux(const std::vector<std::uint8_t>& ps, const ps_demux::DemuxSettings& settings,
                                   Report& report) {
    ps::MemorySource source(ps);
    return ps_demux::RunDemux(Accepted(ps.size()), source, settings, report);
}

}  // namespace demux_testing
