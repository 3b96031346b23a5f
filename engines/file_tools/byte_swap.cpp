#include "byte_swap.h"

#include <cerrno>
#include <utility>
#include <vector>

#include "tool_file.h"

namespace file_tools {

void ReverseWords(std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        std::swap(data[i], data[i + 3]);
        std::swap(data[i + 1], data[i + 2]);
    }
}

namespace {

RunResult CopySwapped(ToolFile& in, const std::string& source, platform::ReplacingFile& out,
                      const std::string& destination, platform::RunReport& run) {
    auto failed = [&run](const std::string& path) {
        run.AddMessage(IoProblem(path, errno));
        return kFileError;
    };
    const auto size = in.Size();
    if (!size) return failed(source);
    std::vector<std::uint8_t> block(kByteSwapBlock);
    platform::ProgressStepper progress(run, *size);
    std::uint64_t done = 0;
    for (;;) {
        const long long n = in.Read(block.data(), block.size());
        if (n < 0) return failed(source);
        if (n == 0) {
            progress.Finish(done);
            return kDone;
        }
        if (run.StopRequested()) return kCanceled;
        done += std::uint64_t(n);
        progress.Advance(done);
        ReverseWords(block.data(), std::size_t(n));
        if (!out.Write(block.data(), std::size_t(n))) return failed(destination);
    }
}

}  // namespace

RunResult ByteSwapFile(const std::string& source, const std::string& destination, platform::RunReport& run) {
    run.SetProgress(0);
    if (platform::IsSameFile(source, destination)) return kOverInput;
    auto in = ToolFile::Open(source, ToolFile::Mode::Read);
    if (!in) {
        run.AddMessage(InputProblem(source));
        return kFileError;
    }
    platform::ReplacingFile out;
    errno = 0;
    if (!out.Open(destination, source)) {
        run.AddMessage(OutputProblem(destination, errno));
        return kFileError;
    }
    const RunResult copied = CopySwapped(*in, source, out, destination, run);
    const RunResult result = FinishOutput(out, copied);
    if (result == kFileError && copied != kFileError) run.AddMessage(IoProblem(destination, errno));
    return result;
}

}  // namespace file_tools
