#include "command_log.h"

#include <cctype>

#include "format.h"
#include "platform/regular_file.h"

namespace velmar {

bool CommandLog::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (file_) std::fclose(file_);
    // Never a FIFO or a device: the open would wait for a reader, or feed the log into the device.
    file_ = platform::OpenRegularFile(path, "w").release();
    return file_ != nullptr;
}

bool CommandLog::HoldsOnlyCommandLog(const std::string& path) {
    const platform::CFile file = platform::OpenRegularFile(path, "rb");
    if (!file) return false;
    char head[9];
    const std::size_t got = std::fread(head, 1, sizeof head, file.get());
    if (got == 0) return std::feof(file.get()) != 0;
    if (got < sizeof head || (head[8] != ',' && head[8] != ' ')) return false;
    for (int i = 0; i < 8; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(head[i]))) return false;
    return true;
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
