#include "record_output.h"

#include <cstdio>
#include <filesystem>

#include "board_link/command_line.h"
#include "board_link/format.h"
#include "platform/kernel.h"
#include "platform/regular_file.h"

namespace velmar {

namespace {

constexpr int kTickMs = 100;
constexpr const char* kFileError = "Velmar File Error";
// The folders the board start-up and the service loop read by relative name: parking clips,
// microcode, I2C tables and DSP code.
constexpr const char* kDataFolders[] = {"mpeg", "ucode", "i2c"};
// A data folder holds a few dozen files; a huge one is not searched past this many entries.
constexpr int kDataFolderEntryLimit = 4096;

bool IsDataFile(const std::string& path) {
    namespace fs = std::filesystem;
    for (const char* folder : kDataFolders) {
        // The folder in the working directory, and the build's run directory's when that is where
        // the programs find their data.
        for (const std::string& place : {std::string(folder), platform::DataFilePath(folder)}) {
            std::error_code error;
            fs::directory_iterator entries(place, error);
            int seen = 0;
            for (; !error && entries != fs::directory_iterator() && seen < kDataFolderEntryLimit;
                 entries.increment(error), ++seen)
                if (platform::IsSameFile(path, entries->path().string())) return true;
        }
    }
    return false;
}

}  // namespace

bool OutputIsNoInput(velmar_ui::UiServices& ui, const std::string& path, const std::vector<std::string>& inUse) {
    const std::string native = platform::NormalizePath(path);
    bool read = IsDataFile(native);
    for (const std::string& input : inUse)
        read = read || platform::IsSameFile(native, platform::NormalizePath(input));
    if (!read) return true;
    ui.MessageBox(
        {Format("%s is a clip, index, list or data file Velmar reads: choose another output", path.c_str()),
         kFileError});
    return false;
}

bool OutputPathUsable(velmar_ui::UiServices& ui, const std::string& path, const std::vector<std::string>& inUse) {
    if (!BoardTakesPath(ui, path)) return false;
    const std::filesystem::path folder = std::filesystem::path(platform::NormalizePath(path)).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        ui.MessageBox({Format("Can't create %s: its folder does not exist", path.c_str()), kFileError});
        return false;
    }
    return OutputIsNoInput(ui, path, inUse);
}

bool OutputsAreTwoFiles(velmar_ui::UiServices& ui, const std::string& video, const std::string& audio) {
    namespace fs = std::filesystem;
    const auto resolved = [](const std::string& path) {
        std::error_code error;
        const fs::path absolute = fs::absolute(platform::NormalizePath(path), error);
        const fs::path canonical = fs::weakly_canonical(absolute, error);
        return error ? absolute.lexically_normal() : canonical;
    };
    const std::string videoFile = platform::NormalizePath(video), audioFile = platform::NormalizePath(audio);
    if (!platform::IsSameFile(videoFile, audioFile) && resolved(video) != resolved(audio)) return true;
    ui.MessageBox({Format("%s is the video output as well: choose another audio output", audio.c_str()), kFileError});
    return false;
}

bool ConfirmOverwrite(velmar_ui::UiServices& ui, const std::string& path, bool deleteIt) {
    const std::string native = platform::NormalizePath(path);
    std::error_code error;
    if (!std::filesystem::exists(native, error)) return true;
    // Removing whatever the name reaches would take away a device node, a pipe, a folder or a link.
    if (deleteIt && !std::filesystem::is_regular_file(std::filesystem::symlink_status(native, error))) {
        ui.MessageBox({Format("%s is not a regular file and is not overwritten", path.c_str()), kFileError});
        return false;
    }
    const auto answer = ui.MessageBox({"File Already Exists Do You Wish to Overwrite?", "Velmar File Warning?",
                                       velmar_ui::BoxButtons::YesNo, velmar_ui::BoxIcon::Question});
    if (answer != velmar_ui::BoxAnswer::Yes) return false;
    if (deleteIt && !(std::filesystem::remove(native, error) && !error)) {
        ui.MessageBox({"Error Overwriting File. Try Deleting the File First", kFileError});
        return false;
    }
    return true;
}

bool BoardTakesPath(velmar_ui::UiServices& ui, const std::string& path) {
    const auto refusal = BoardPathRefusal(path);
    if (!refusal) return true;
    if (path.size() > kMaxBoardPathChars)
        ui.MessageBox({Format("The path is longer than %d characters:\n%s", static_cast<int>(kMaxBoardPathChars),
                              path.c_str()),
                       kFileError});
    else
        ui.MessageBox({Format("The board cannot take the path %s: %s", path.c_str(), refusal->c_str()), kFileError});
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
    std::FILE* file = platform::OpenRegularFile(path, "r+b").release();
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
    ui.MessageBox({Format("Can't write the WAVE header of %s", name.c_str()), kFileError});
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
