// libFuzzer target: any bytes as a program stream, decoded and indexed into memory outputs.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ps_demux/demux.h"

namespace {

class DiscardSink final : public ps::ByteSink {
public:
    bool Write(const std::uint8_t*, std::size_t n) override {
        size_ += n;
        return true;
    }
    bool WriteAt(std::uint64_t offset, const std::uint8_t*, std::size_t n) override { return offset + n <= size_; }

private:
    std::uint64_t size_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    stream_analysis::ProgramStreamAnalysis analysis;
    analysis.ok = true;
    analysis.fileSize = std::int64_t(size);
    ps::MemorySource source(std::vector<std::uint8_t>(data, data + size));
    ps_demux::DemuxSettings settings;
    settings.outputBase = "f";
    // Decoding is slow under the sanitizers: half the inputs exercise the parser alone.
    settings.decode = size % 2 == 0;
    settings.createFile = [](const std::string&) -> std::unique_ptr<ps::ByteSink> {
        return std::make_unique<DiscardSink>();
    };
    platform::RunReport report;
    ps_demux::RunDemux(analysis, source, settings, report);
    return 0;
}
