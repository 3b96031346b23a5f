#include "command_log.h"

#include "format.h"

namespace velmar {

bool CommandLog::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (file_) std::fclose(file_);
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

void CommandLog::Close() {
    std::lock_guard lock(mutex_);
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool CommandLog::IsOpen() const {
    std::lock_guard lock(mutex_);
    return file_ != nullptr;
}

void CommandLog::WritePlayback(std::uint32_t a1, std::uint32_t a2, std::uint32_t b2, std::string_view line) {
    WriteText(Format("%.8x,%.8x,%.8x ", a1, a2, b2) + std::string(line) + "\n");
}

void CommandLog::WriteRecord(std::uint32_t frames, std::string_view line) {
    WriteText(Format("%.8x ", frames) + std::string(line) + "\n");
}

void CommandLog::WriteText(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (!file_) return;
    std::fputs(text.c_str(), file_);
    std::fflush(file_);
}

}  // namespace velmar
