// What the two panels of a board share, the playback panel and the record panel alike: the board
// they drive (its window or the demo block, the command link, the I2C bus), start-up's register
// table and DSP code, the command log with its two menu items, the wait for a settings reply,
// the first steps of every tick, the frame title, restarting the program in another panel, and
// what closing leaves in the profile.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "board_link/board_library.h"
#include "board_link/board_link.h"
#include "board_link/i2c_bus.h"
#include "dialogs/color_settings.h"
#include "panel_frame_host.h"
#include "timecode/timecode.h"
#include "velmar_ui/form_logic.h"

namespace platform {
class Profile;
}

namespace velmar {

// Everything a panel is built over besides its form and UI services.
struct PanelBoard {
    DriverLibrary& driver;    // maps the board window; the I2C register
    BoardLibrary& library;  // the board command library
    BusTiming& timing;      // I2C pacing
};

enum class TimerState : int { Idle = 0, InitPending = 1, Busy = 2 };

inline constexpr int kPanelTimer = 1;
inline constexpr int kPanelTimerMs = 100;
// How long a settings command may take before the panel stops waiting for its reply.
inline constexpr int kReplyWaitLimitMs = 1000;

class CBoardPanel : public velmar_ui::FormLogic {
public:
    // `playback`: the playback panel (link, log key "LOGFILE", RECPLAY "0", title), else the
    // record panel (log key "LOGFILER", RECPLAY "1").
    CBoardPanel(velmar_ui::FormView& view, velmar_ui::UiServices& ui, PanelHost& host, PanelBoard board,
                const platform::Profile& profile, board_commands::BoardNumber boardNumber, bool playback);
    ~CBoardPanel() override;

    virtual int SendCommand(const std::string& line);
    virtual void AddLogMessage(const std::string& text);
    // The panel's profile keys (section BOARD1 or BOARD2).
    void WriteKey(const std::string& key, const std::string& value);
    PackedTimecode FramesToTimecode(std::int64_t frames) const;
    int TimecodeToFrames(PackedTimecode code) const;
    void ZeroCommandDone();
    // Waits (bounded) until the board confirms the last settings command; true at once without a board.
    bool WaitForReply();
    // The board's I2C bus (nothing in demo mode), for the panel and the tools that talk to its devices.
    void I2cWriteBytes(const std::vector<std::uint8_t>& bytes);
    std::uint8_t I2cReadByte(std::uint8_t readAddress);
    // A name that reaches something other than a regular file (a FIFO, a device, a folder) is
    // never opened: the open could hold the window for good, or the reading never end. True, after
    // a box that names it, for such a name and for one the file system cannot resolve
    // (RefuseUnreachablePath); false for a regular file or a name that reaches nothing, which each
    // caller handles as it always has.
    bool RefuseNonRegularFile(const std::string& path);
    // True, after a box that names `path` and the cause, when the file system cannot say what the
    // name reaches (a link loop, a name too long, a folder that may not be searched); false when
    // it can, whether or not the name reaches anything.
    bool RefuseUnreachablePath(const std::string& path);
    // True, after a box that names `path` as `what`, for a file larger than `limit` bytes, which
    // is not read.
    bool RefuseLargerThan(const std::string& path, std::uintmax_t limit, const char* what);

    void OnPaint();
    void OnSetLogFile();
    void OnDisableLogging();
    // Video Settings keeps the input colour on OK and restores it (to be sent again) on Cancel.
    void OnVideoSettings();
    void OnAudioSettings();

    BoardLink* Link() const { return link_.get(); }
    BoardWindow* Window() { return window_ ? &*window_ : nullptr; }
    bool DemoMode() const { return demoMode_; }
    bool Is2000Board() const { return is2000Board_; }
    bool PalMode() const { return palMode_; }
    TvStandard Standard() const { return palMode_ ? TvStandard::Pal : TvStandard::Ntsc; }
    TimerState GetTimerState() const { return timerState_; }
    bool Restarting() const { return restarting_; }
    ColorSettings& Colors() { return colors_; }

protected:
    // Maps the board's window; without a board the demo block stands in, after its box.
    void MapBoard();
    // The register table of the TV standard and the DSP code, sent to the I2C devices; false (the
    // program is ending) when the file is missing.
    bool LoadI2cTable();
    bool SendDspCode();
    // One box that names a damaged board data file and says what is wrong with it; start-up goes on.
    void ReportDamagedFile(const std::string& path, const std::string& damage);
    // Before the microcode is loaded: a box when its file is no regular file or is damaged.
    void CheckMicrocode(const std::string& name);
    // Until the EEPROM is no longer busy, at most 100 more polls 40 ms apart.
    void PollEeprom();
    void OpenCommandLog();
    // Opens the command log at `path`, truncating it as a log is. A name that is no regular file,
    // that is one of the panel's media files, or that holds anything but a command log is left as
    // it is: the log goes to the default name, after one box that says why.
    void StartCommandLog(const std::string& path);
    // Why `path` must not be the command log; nothing when it may be.
    std::optional<std::string> LogFileRefusal(const std::string& path) const;
    void SendCodecLine(const std::string& line);
    // A start-up failure: the box, and the program ends.
    void Quit(const std::string& message);
    // Whether a logging menu item is available; nothing for other items.
    std::optional<bool> LogMenuEnabled(int commandId) const;
    // The first steps of a tick: nothing while busy or ending; a service loop that ended closes
    // the panel (a result of 10 also sets `referenceKey` to free run); the first tick runs
    // `initBoard`. True when the tick goes on.
    bool TickPreamble(const char* referenceKey, const std::function<void()>& initBoard);
    // Starts the program again in the other panel, mode or standard (the caller wrote the key).
    void RestartInstance(bool playbackPanel);
    // Closing: the window's place and RECPLAY in the profile, the timer, this instance's service loop.
    void CloseBoard();

    PanelHost& host_;
    PanelBoard board_;
    const platform::Profile& profile_;
    const board_commands::BoardNumber boardNumber_;
    const std::string section_;

    std::optional<BoardWindow> window_;
    std::unique_ptr<BoardLink> link_;
    ColorSettings colors_;

    bool demoMode_ = false;
    bool is2000Board_ = false;
    bool palMode_ = false;
    TimerState timerState_ = TimerState::Idle;
    bool titlePending_ = false;
    bool restarting_ = false;
    bool closing_ = false;
    bool ended_ = false;  // start-up failed and the program is ending

private:
    const bool playback_;
    const char* const logKey_;
};

}  // namespace velmar
