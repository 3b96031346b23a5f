#include "record_output.h"

#include <cstdio>
#include <filesystem>

#include "board_link/command_line.h"
#include "board_link/format.h"
#include "platform/kernel.h"

namespace velmar {

namespace {

constexpr int kTickMs = 100;

}  // namespace

bool ConfirmOverwrite(velmar_ui::UiServices& ui, const std::string& path, bool deleteIt) {
    const std::string native = platform::NormalizePath(path);
    std::error_code error;
    if (!std::filesystem::exists(native, error)) return true;
    const auto answer = ui.MessageBox({"File Already Exists Do You Wish to Overwrite?", "Velmar File Warning?",
                                       velmar_ui::BoxButtons::YesNo, velmar_ui::BoxIcon::Question});
    if (answer != velmar_ui::BoxAnswer::Yes) return false;
    if (deleteIt && !(std::filesystem::remove(native, error) && !error)) {
        ui.MessageBox({"Error Overwriting File. Try Deleting the File First", "Velmar File Error"});
        return false;
    }
    return true;
}

bool BoardTakesPath(velmar_ui::UiServices& ui, const std::string& path) {
    if (path.size() <= kMaxBoardPathChars) return true;
    ui.MessageBox({Format("The path is longer than %d characters:\n%s", static_cast<int>(kMaxBoardPathChars),
                          path.c_str()),
                   "Velmar File Error"});
    return false;
}

bool WaitForDrain(velmar_ui::UiServices& ui, const std::function<int()>& quietTicks, const std::function<void()>& tick,
                  const std::function<bool()>& ended) {
    for (int ticks = 0; quietTicks() < kDrainQuietTicks; ++ticks) {
        if (ticks >= kDrainWaitLimitTicks || (ended && ended())) return false;
        ui.Sleep(kTickMs);
        tick();
    }
    return true;
}

std::uint32_t RecordSampleRate(int rateCode) {
    switch (rateCode & 3) {
    case 0: return 32000;
    case 1: return 44100;
    default: return 48000;
    }
}

std::array<std::uint8_t, wav::kWavHeaderSize> WavHeader(std::uint64_t fileSize, std::uint32_t sampleRate) {
    const std::uint64_t data = fileSize > wav::kWavHeaderSize ? fileSize - wav::kWavHeaderSize : 0;
    return wav::MakeWavHeader(sampleRate, 2, data);
}

bool WriteWavHeaderOver(const std::string& path, std::uint32_t sampleRate) {
    std::error_code error;
    const std::uint64_t size = std::filesystem::file_size(path, error);
    if (error) return false;
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (!file) return false;
    const auto header = WavHeader(size, sampleRate);
    // A file shorter than the header grows to it, so that what is there reads as a WAVE file.
    const bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    return std::fclose(file) == 0 && written;
}

bool WriteWavHeaderRetrying(velmar_ui::UiServices& ui, const std::string& path, const std::string& name,
                            std::uint32_t sampleRate) {
    const std::string native = platform::NormalizePath(path);
    for (int attempt = 0; attempt < kWavOpenAttempts; ++attempt) {
        if (WriteWavHeaderOver(native, sampleRate)) return true;
        ui.Sleep(kTickMs);
    }
    ui.MessageBox({Format("Can't write the WAVE header of %s", name.c_str()), "Velmar File Error"});
    return false;
}

bool TrimToWholeUnits(const std::string& path, std::uint64_t headerBytes, std::uint64_t unitBytes) {
    const std::string native = platform::NormalizePath(path);
    std::error_code error;
    const std::uint64_t size = std::filesystem::file_size(native, error);
    if (error || unitBytes == 0) return false;
    if (size <= headerBytes) return true;
    const std::uint64_t whole = headerBytes + (size - headerBytes) / unitBytes * unitBytes;
    if (whole == size) return true;
    std::filesystem::resize_file(native, whole, error);
    return !error;
}

}  // namespace velmar
