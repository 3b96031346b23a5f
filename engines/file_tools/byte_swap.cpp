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

ToolResult CopySwapped(ToolFile& in, const std::string& source, index_formats::ReplacingFile& out,
                       const std::string& destination, platform::RunReport& run) {
    auto failed = [&run](const std::string& path) {
        run.AddMessage(IoProblem(path, errno));
        return ToolResult::FileError;
    };
    const auto size = in.Size();
    if (!size) return failed(source);
    std::vector<std::uint8_t> block(kByteSwapBlock);
    std::uint64_t done = 0;
    for (;;) {
        const long long n = in.Read(block.data(), block.size());
        if (n < 0) return failed(source);
        if (n == 0) return ToolResult::Done;
        if (run.StopRequested()) return ToolResult::Cancelled;
        done += std::uint64_t(n);
        run.SetProgress(platform::ProgressStep(done, *size));
        ReverseWords(block.data(), std::size_t(n));
        if (!out.Write(block.data(), std::size_t(n))) return failed(destination);
    }
}

}  // namespace

ToolResult ByteSwapFile(const std::string& source, const std::string& destination, platform::RunReport& run) {
    run.SetProgress(0);
    if (platform::IsSameFile(source, destination)) return ToolResult::SameFile;
    auto in = ToolFile::Open(source, ToolFile::Mode::Read);
    if (!in) {
        run.AddMessage(InputProblem(source));
        return ToolResult::FileError;
    }
    index_formats::ReplacingFile out;
    errno = 0;
    if (!out.Open(destination, source)) {
        run.AddMessage(OutputProblem(destination, errno));
        return ToolResult::FileError;
    }
    const ToolResult copied = CopySwapped(*in, source, out, destination, run);
    const ToolResult result = FinishOutput(out, copied);
    if (result == ToolResult::FileError && copied != ToolResult::FileError) run.AddMessage(IoProblem(destination, errno));
    return result;
}

}  // namespace file_tools
