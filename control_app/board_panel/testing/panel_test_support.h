// Fakes for both panels' tests: a board (window words and the I2C register, with the
// EEPROM and DSP answering reads), a recording command library, the host frame and a virtual
// file tree for the start-up files.
#pragma once

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "board_link/board_library.h"
#include "board_link/i2c_bus.h"
#include "board_panel/message_log_dlg.h"
#include "board_panel/panel_frame_host.h"
#include "platform/kernel.h"
#include "velmar_ui/testing/fake_form_view.h"

namespace velmar::panel_testing {

// Follows the clock and data lines of the I2C register and collects the bytes of each message;
// answers reads of a device's byte with its data bits.
class I2cLineDecoder {
public:
    std::vector<std::vector<std::uint8_t>> messages;
    std::map<std::uint8_t, std::uint8_t> readAnswers;  // read address -> byte the device returns

    void Write(std::uint32_t value) {
        const bool clock = value & 1u, data = (value >> 1) & 1u;
        if (clockHigh_ && clock && dataHigh_ && !data) {  // start
            inMessage_ = true;
            edges_ = 0;
            current_.clear();
            bits_ = 0;
        } else if (clockHigh_ && clock && !dataHigh_ && data && inMessage_) {  // stop
            inMessage_ = false;
            messages.push_back(current_);
        } else if (!clockHigh_ && clock && inMessage_) {  // rising edge
            ++edges_;
            if (edges_ % 9 != 0) {
                bits_ = static_cast<std::uint8_t>((bits_ << 1) | (data ? 1 : 0));
                if (edges_ % 9 == 8) {
                    current_.push_back(bits_);
                    bits_ = 0;
                }
            }
        }
        clockHigh_ = clock;
        dataHigh_ = data;
    }

    // The register as read while the bus is in this state.
    std::uint32_t Read() const {
        if (!inMessage_ || current_.empty() || !(current_[0] & 1u)) return 0;
        const int next = edges_ + 1;
        if (next < 10) return 0;
        const int position = (next - 10) % 9;
        if (position >= 8) return 0;
        auto found = readAnswers.find(current_[0]);
        const std::uint8_t byte = found == readAnswers.end() ? 0 : found->second;
        return ((byte >> (7 - position)) & 1u) << 1;
    }

private:
    bool clockHigh_ = true, dataHigh_ = true, inMessage_ = false;
    int edges_ = 0;
    std::uint8_t bits_ = 0;
    std::vector<std::uint8_t> current_;
};

// The board: its window words and the I2C register as the driver reaches them.
class FakeBoard : public DriverLibrary {
public:
    explicit FakeBoard(bool present = true, std::uint32_t boardType = 0) : present_(present) {
        words_.assign(0x10000 / 4, 0);
        Window().Write32(window::kBoardType, boardType);
    }
    BoardWindow Window() { return BoardWindow(words_.data(), words_.size() * 4); }
    std::optional<BoardWindow> MapWindow() override {
        if (!present_) return std::nullopt;
        return Window();
    }
    std::uint32_t Read32(std::uint32_t) override { return 0; }
    void Write32(std::uint32_t address, std::uint32_t value) override {
        if (address == kI2cRegister) writes.Write(value);
    }
    std::uint32_t Word(std::uint32_t offset) { return Window().Read32(offset); }
    void SetWord(std::uint32_t offset, std::uint32_t value) { Window().Write32(offset, value); }

    I2cLineDecoder writes;  // the direct writes (tables, DSP code)

private:
    bool present_;
    std::vector<std::uint32_t> words_;
};

// The command library: every line as its words joined with blanks; "mrd 0xfc0a08" follows the
// bus of the "mwr 0xfc0a08" lines; device commands confirm through CommandDoneWord.
class RecordingLibrary : public BoardLibrary {
public:
    explicit RecordingLibrary(FakeBoard& board) : board_(board) {}

    int Call(BoardExport which, int argc, char** argv) override {
        std::string line;
        for (int i = 0; i < argc; ++i) line += (i ? " " : "") + std::string(argv[i]);
        if (beforeLine) beforeLine(line);
        {
            std::lock_guard lock(mutex_);
            lines.push_back(line);
        }
        if (which == BoardExport::Mdaemon) {
            std::unique_lock lock(mutex_);
            daemonRunning_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return daemonResult_ >= 0; });
            return daemonResult_;
        }
        if (which == BoardExport::Mquit) {
            std::lock_guard lock(mutex_);
            if (daemonRunning_) daemonResult_ = 1;
            changed_.notify_all();
            return 0;
        }
        if (which == BoardExport::Mld && mld) return mld(argc, argv);
        if (which == BoardExport::Mwrblk && mwrblk) return mwrblk(argc, argv);
        if (line.rfind("mwr 0xfc0a08 ", 0) == 0) bus.Write(std::strtoul(argv[2], nullptr, 16));
        if (line == "mrd 0xfc0a08") return static_cast<int>(bus.Read());
        if (line == "mrd 0xfc0a00") return static_cast<int>(controlRegister);
        if (confirms && line.rfind("mwcmd -s 0xffffffff 0x0009", 0) == 0)
            board_.SetWord(window::kCommandDoneWord, 0x00020000);
        return 0;
    }

    void WaitDaemonRunning() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return daemonRunning_; });
    }

    // When set, runs before each line is taken (a test's slow board lines).
    std::function<void(const std::string&)> beforeLine;
    // When set, "mld" and "mwrblk" lines go to them (the real exports, for tests of the files they open).
    std::function<int(int, char**)> mld, mwrblk;

    void EndDaemon(int result) {
        std::lock_guard lock(mutex_);
        daemonResult_ = result;
        changed_.notify_all();
    }

    // The lines without the I2C bus traffic of the reads.
    // Taken under the lock: the panel's service loop thread adds lines meanwhile.
    std::vector<std::string> CommandLines() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const auto& line : lines)
            if (line.find("0xfc0a08") == std::string::npos) out.push_back(line);
        return out;
    }

    std::vector<std::string> lines;
    I2cLineDecoder bus;
    bool confirms = true;
    std::uint32_t controlRegister = 0x3;

private:
    FakeBoard& board_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool daemonRunning_ = false;
    int daemonResult_ = -1;
};

class NoDelays : public BusTiming {
public:
    void DelayMicroseconds(int) override {}
    void SleepMs(int) override {}
};

class FakeHost : public PanelHost {
public:
    velmar_ui::Rect rect{10, 20, 800, 600};
    bool minimized = false, maximized = false, destroyed = false, fitted = false;
    std::string title;
    std::vector<std::string> events;
    bool colorAnswer = true;
    std::function<void(ColorSettings&)> editColors;
    std::unique_ptr<velmar_ui::testing::FakeFormView> logView;
    std::unique_ptr<CMessageLogDlg> log;
    velmar_ui::UiServices* ui = nullptr;

    velmar_ui::Rect FrameRect() const override { return rect; }
    bool FrameMinimized() const override { return minimized; }
    bool FrameMaximized() const override { return maximized; }
    void FitFrameToForm() override { fitted = true; }
    void SetFrameTitle(const std::string& text) override { title = text; }
    void DestroyFrame() override { destroyed = true; }
    bool RunColorSetting(ColorSettings& colors) override {
        events.push_back("color");
        if (editColors) editColors(colors);
        return colorAnswer;
    }
    bool RunVideoSettings(ColorSettings& colors) override {
        events.push_back("video");
        if (editColors) editColors(colors);
        return colorAnswer;
    }
    void ShowAudioSettings(BoardLink&, const platform::Profile&, const std::string&) override {
        events.push_back("audio settings");
    }
    void ShowNotice(Notice notice) override { events.push_back(notice == Notice::Loading ? "show load" : "show close"); }
    void CloseNotice(Notice notice) override {
        events.push_back(notice == Notice::Loading ? "close load" : "close close");
    }
    CMessageLogDlg& MessageLog(const platform::Profile& profile, const std::string& section) override {
        if (!log) {
            logView = std::make_unique<velmar_ui::testing::FakeFormView>(MessageLogForm());
            log = std::make_unique<CMessageLogDlg>(*logView, *ui, profile, section);
            log->OnInitDialog();
        }
        return *log;
    }
    void OpenTool(int command) override { events.push_back("tool " + std::to_string(command)); }
    bool RunEepromUpdate() override {
        events.push_back("eeprom");
        return eepromWritten;
    }
    bool eepromWritten = true;
    bool RunIndexBuild(const std::string& stream) override { return buildIndex ? buildIndex(stream) : false; }
    std::function<bool(const std::string&)> buildIndex;
};

// A folder with the start-up files, made the working directory and the run directory for the
// test's life: a file removed from it is missing for the panel, as the build's own run directory
// beside the test program cannot stand in for it.
class StartupFiles {
public:
    StartupFiles() : previous_(std::filesystem::current_path()) {
        root_ = std::filesystem::temp_directory_path() /
                ("velmar-panel-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::create_directories(root_ / "i2c");
        std::filesystem::create_directories(root_ / "ucode");
        std::filesystem::create_directories(root_ / "mpeg");
        // One record for device 0x40 with two bytes.
        Write("i2c/velmar2ki2c.bin", std::string("\0\0\0\x01\0\0\0\x40\0\x02\x11\x22\0", 13));
        Write("i2c/velmar2ki2cpal.bin", std::string("\0\0\0\x01\0\0\0\x42\0\x01\x33\0", 12));
        Write("ucode/dsp.hex", "00 11 22\n");
        WriteParkingClips("");
        std::filesystem::current_path(root_);
        platform::SetRunDirectoryForTesting(root_.string());
    }
    ~StartupFiles() {
        platform::SetRunDirectoryForTesting("");
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(root_ / name, std::ios::binary) << bytes;
    }
    void Remove(const std::string& name) { std::filesystem::remove(root_ / name); }
    // Stand-ins for the clips the board parks on: only their first word, which says what they are.
    void WriteParkingClips(const std::string& folder) {
        for (const char* clip : {"mpeg/black1.mpg", "mpeg/black1pal.mpg"}) Write(folder + clip, std::string("\0\0\x01\xB3", 4));
        Write(folder + "mpeg/framecut1.alp", "CCBA");
    }
    // Works from another folder that holds only the clips the board reads from the working
    // directory: the tables and the DSP code are found in the run directory alone.
    void WorkElsewhere() {
        std::filesystem::create_directories(root_ / "elsewhere" / "mpeg");
        WriteParkingClips("elsewhere/");
        std::filesystem::current_path(root_ / "elsewhere");
    }

private:
    static inline int counter_ = 0;
    std::filesystem::path previous_;
    std::filesystem::path root_;
};

}  // namespace velmar::panel_testing
