#include "board_panel.h"

#include <filesystem>

#include "board_commands/command_lines.h"
#include "board_panel/data_files.h"
#include "board_link/format.h"
#include "board_setup_files.h"
#include "message_log_dlg.h"
#include "platform/kernel.h"
#include "platform/log.h"
#include "platform/profile.h"
#include "platform/regular_file.h"
#include "shell/launch.h"
#include "shell/menu_ids.h"

namespace velmar {

namespace {

constexpr const char* kErrorCaption = "Velmar Error";
constexpr const char* kFileErrorCaption = "Velmar File Error";

}  // namespace

CBoardPanel::CBoardPanel(velmar_ui::FormView& view, velmar_ui::UiServices& ui, PanelHost& host, PanelBoard board,
                         const platform::Profile& profile, board_commands::BoardNumber boardNumber, bool playback)
    : FormLogic(view, ui), host_(host), board_(board), profile_(profile), boardNumber_(boardNumber),
      section_("BOARD" + std::to_string(boardNumber.Number())), playback_(playback),
      logKey_(playback ? "LOGFILE" : "LOGFILER") {}

CBoardPanel::~CBoardPanel() = default;

int CBoardPanel::SendCommand(const std::string& line) { return link_ ? link_->SendCommand(line) : 0; }

void CBoardPanel::AddLogMessage(const std::string& text) { host_.MessageLog(profile_, section_).AddMessage(text); }

void CBoardPanel::WriteKey(const std::string& key, const std::string& value) { profile_.WriteString(section_, key, value); }

PackedTimecode CBoardPanel::FramesToTimecode(std::int64_t frames) const {
    return velmar::FramesToTimecode(frames, Standard());
}

int CBoardPanel::TimecodeToFrames(PackedTimecode code) const { return velmar::TimecodeToFrames(code, Standard()); }

void CBoardPanel::ZeroCommandDone() {
    if (window_) window_->Write32(window::kCommandDoneWord, 0);
}

bool CBoardPanel::WaitForReply() {
    // Nothing answers in demo mode, and a board that does not answer must not hold the panel.
    if (demoMode_ || !window_) return true;
    for (int waited = 0; waited <= kReplyWaitLimitMs; ++waited) {
        if (((window_->Read32(window::kCommandDoneWord) >> 16) & 0xFF) == 2) return true;
        // Without its service loop no command reaches the board, and no reply can come.
        if (link_ && link_->GetDaemonState() == DaemonState::Ended) break;
        Ui().Sleep(1);
    }
    platform::Log(platform::LogLevel::Warning, "board did not confirm a settings command");
    AddLogMessage("The board did not confirm a settings command.");
    return false;
}

void CBoardPanel::SendCodecLine(const std::string& line) {
    ZeroCommandDone();
    SendCommand(line);
    WaitForReply();
}

void CBoardPanel::Quit(const std::string& message) {
    Ui().MessageBox({message, kErrorCaption});
    host_.CloseNotice(Notice::Loading);
    ended_ = true;
    Ui().ExitProcess(0);
}

// ------------------------------------------------------------------ the board and its bus

void CBoardPanel::MapBoard() {
    auto mapped = board_.driver.MapWindow();
    demoMode_ = !mapped;
    if (demoMode_) {
        Ui().MessageBox({"Can't find Velmar Card.  Switching to Demo Mode", kErrorCaption});
        window_.emplace(BoardWindow::Demo());
    } else {
        window_.emplace(std::move(*mapped));
    }
    link_ = std::make_unique<BoardLink>(board_.library, *window_, boardNumber_,
                                        playback_ ? LinkKind::Playback : LinkKind::Record, demoMode_);
    // A line the library refuses (one of an operator's encoder script, say) did nothing; the
    // operator learns which and why, and the panel goes on.
    link_->SetLineFailureHandler([this](const std::string& line, const std::string& cause) {
        Ui().MessageBox({"Board command failed: " + line + "\n" + cause, kErrorCaption});
    });
}

void CBoardPanel::I2cWriteBytes(const std::vector<std::uint8_t>& bytes) {
    // Without a board there is no bus to drive.
    if (demoMode_ || bytes.empty()) return;
    I2cWrite(board_.driver, board_.timing, bytes.data(), static_cast<int>(bytes.size()));
}

std::uint8_t CBoardPanel::I2cReadByte(std::uint8_t readAddress) {
    std::uint8_t buffer[2] = {readAddress, 0};
    I2cRead(*link_, board_.timing, buffer, 2);
    return buffer[1];
}

bool CBoardPanel::RefuseNonRegularFile(const std::string& path) {
    if (!path.empty() && RefuseUnreachablePath(path)) return true;
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error) || platform::IsRegularFile(path)) return false;
    Ui().MessageBox({Format("%s is not a regular file and is not opened", path.c_str()), kFileErrorCaption});
    return true;
}

bool CBoardPanel::RefuseUnreachablePath(const std::string& path) {
    std::error_code error;
    (void)std::filesystem::status(path, error);
    if (!error || error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) return false;
    platform::Log(platform::LogLevel::Warning, path + ": " + error.message());
    Ui().MessageBox({Format("Can't read %s: %s", path.c_str(), error.message().c_str()), kFileErrorCaption});
    return true;
}

bool CBoardPanel::RefuseLargerThan(const std::string& path, std::uintmax_t limit, const char* what) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size <= limit) return false;
    Ui().MessageBox({Format("The %s %s is larger than %ju bytes and is not read", what, path.c_str(), limit),
                     kFileErrorCaption});
    return true;
}

void CBoardPanel::ReportDamagedFile(const std::string& path, const std::string& damage) {
    platform::Log(platform::LogLevel::Warning, path + ": " + damage);
    Ui().MessageBox({Format("The file %s is damaged: %s", path.c_str(), damage.c_str()), kErrorCaption});
}

void CBoardPanel::CheckMicrocode(const std::string& name) {
    const std::string path = platform::DataFilePath(platform::NormalizePath(name));
    if (RefuseNonRegularFile(path)) return;
    if (const auto damage = MicrocodeDamage(path)) ReportDamagedFile(path, *damage);
}

bool CBoardPanel::LoadI2cTable() {
    const std::string path = data_files::RelativePath(palMode_ ? data_files::kI2cTablePal : data_files::kI2cTable);
    auto bytes = ReadFileBytes(platform::DataFilePath(path), kI2cTableBytes);
    if (!bytes) {
        Quit("Can't find file .bin");
        return false;
    }
    const I2cTable table = ParseI2cTable(*bytes);
    for (const auto& write : table.writes) I2cWriteBytes(write);
    if (table.truncated) ReportDamagedFile(path, "a record runs past the table");
    return true;
}

bool CBoardPanel::SendDspCode() {
    const std::string path = data_files::RelativePath(data_files::kDspCode);
    std::string text;
    const auto read = platform::ReadRegularFile(platform::DataFilePath(path), kDspCodeFileMaxBytes, text);
    if (read == platform::WholeFileRead::CannotOpen) {
        Quit("Can't find file .hex");
        return false;
    }
    if (read == platform::WholeFileRead::TooLarge) {
        ReportDamagedFile(path, Format("it is larger than %zu bytes and is not sent", kDspCodeFileMaxBytes));
        return true;
    }
    const DspCode code = ParseDspCode(text);
    if (code.truncated) ReportDamagedFile(path, "the code is cut at its limit");
    I2cWriteBytes(code.bytes);
    return true;
}

void CBoardPanel::PollEeprom() {
    std::uint8_t status = I2cReadByte(0x31);
    for (int polls = 0; (status & 0x80) && polls < 100; ++polls) {
        Ui().Sleep(40);
        status = I2cReadByte(0x31);
    }
    if (status & 0x80) Ui().MessageBox({"No Response from EEPROM", kErrorCaption});
}

// ------------------------------------------------------------------ command log

std::optional<std::string> CBoardPanel::LogFileRefusal(const std::string& name) const {
    const std::string path = platform::NormalizePath(name);
    std::error_code error;
    const bool exists = std::filesystem::exists(path, error);
    if (exists && !platform::IsRegularFile(path)) return "is not a regular file";
    const auto where = [](const std::string& p) {
        std::error_code ignored;
        return std::filesystem::absolute(p, ignored).lexically_normal();
    };
    for (const char* key : {"PATHVA", "PATHVB", "PATHALP", "PATHAUD", "PATHDIO", "PATHDVR", "PATHDVAR", "RPATHV", "RPATHA"}) {
        const std::string media = platform::NormalizePath(profile_.GetString(section_, key));
        if (!media.empty() && (where(media) == where(path) || platform::IsSameFile(media, path)))
            return Format("is the file of %s", key);
    }
    if (exists && !CommandLog::HoldsOnlyCommandLog(path)) return "holds data that is not a command log";
    return std::nullopt;
}

void CBoardPanel::StartCommandLog(const std::string& path) {
    // Someone's data or a device is never truncated: such a name fails as one that cannot be opened.
    if (const auto refusal = LogFileRefusal(path))
        platform::Log(platform::LogLevel::Warning, "the log file " + path + " " + *refusal + " and is left as it is");
    else if (link_->Log().Open(path))
        return;
    Ui().MessageBox({Format("Logging Disabled, Unable to initialize Log file - %s", path.c_str()), kErrorCaption});
    WriteKey(logKey_, "");
}

void CBoardPanel::OpenCommandLog() {
    const std::string path = profile_.GetString(section_, logKey_);
    if (!path.empty()) StartCommandLog(path);
}

std::optional<bool> CBoardPanel::LogMenuEnabled(int commandId) const {
    const bool logOpen = link_ && link_->Log().IsOpen();
    if (commandId == menu_ids::kSetLogFile) return !logOpen;
    if (commandId == menu_ids::kDisableLogging) return logOpen;
    return std::nullopt;
}

void CBoardPanel::OnSetLogFile() {
    if (!link_) return;
    velmar_ui::FileChooserSpec chooser;
    chooser.save = true;
    chooser.initialName = "*.log";
    chooser.defaultExtension = "log";
    chooser.filter = "Log Files (*.log)|*.log|All Files (*.*)|*.*||";
    const auto path = Ui().ChooseFile(chooser);
    if (!path) return;
    WriteKey(logKey_, *path);
    StartCommandLog(*path);
}

void CBoardPanel::OnDisableLogging() {
    WriteKey(logKey_, "");
    if (link_) link_->Log().Close();
}

// ------------------------------------------------------------------ settings dialogs

void CBoardPanel::OnVideoSettings() {
    const std::uint32_t saved = colors_.inputColor;
    if (host_.RunVideoSettings(colors_)) {
        WriteKey("INPUTCOLOR", Format("%d", static_cast<int>(colors_.inputColor)));
    } else {
        colors_.inputColor = saved;
        colors_.inputColorDirty = true;
    }
}

void CBoardPanel::OnAudioSettings() {
    if (link_) host_.ShowAudioSettings(*link_, profile_, section_);
}

// ------------------------------------------------------------------ ticks, title, restart, close

bool CBoardPanel::TickPreamble(const char* referenceKey, const std::function<void()>& initBoard) {
    if (timerState_ == TimerState::Busy || ended_) return false;

    if (link_ && link_->GetDaemonState() == DaemonState::Ended) {
        KillTimer(kPanelTimer);
        WriteKey("RECPLAY", playback_ ? "0" : "1");
        if (link_->DaemonResult() == 10) {
            Ui().MessageBox({"Video Error or No Video Source Detected. Program will Switch to Freerun and Close.",
                             "Video Error"});
            WriteKey(referenceKey, "4");
        }
        closing_ = true;
        host_.DestroyFrame();
        return false;
    }
    if (restarting_) return false;

    if (timerState_ == TimerState::InitPending) {
        timerState_ = TimerState::Busy;
        initBoard();
        timerState_ = TimerState::Idle;
        return false;
    }
    return true;
}

void CBoardPanel::OnPaint() {
    if (!titlePending_) return;
    titlePending_ = false;
    host_.SetFrameTitle(FrameTitle(boardNumber_, playback_));
}

void CBoardPanel::RestartInstance(bool playbackPanel) {
    const velmar_ui::Rect frame = host_.FrameRect();
    const ScreenRect rect{frame.x, frame.y, frame.x + frame.width, frame.y + frame.height};
    restarting_ = true;
    if (!Ui().StartProgram("Velmar", {RestartArgument(boardNumber_, playbackPanel, rect, host_.FrameMaximized())})) {
        // Nothing will take over: stay in charge of the board.
        restarting_ = false;
        Ui().MessageBox({"Velmar could not be restarted", kErrorCaption});
        return;
    }
    // Without a board no service loop will end and close this frame.
    if (demoMode_) host_.DestroyFrame();
}

void CBoardPanel::CloseBoard() {
    if (!host_.FrameMinimized()) {
        const velmar_ui::Rect rect = host_.FrameRect();
        WriteKey("WINX", Format("%d", rect.x));
        WriteKey("WINY", Format("%d", rect.y));
        WriteKey("WINCX", Format("%d", rect.width));
        WriteKey("WINCY", Format("%d", rect.height));
        WriteKey("RECPLAY", playback_ ? "0" : "1");
    }
    KillTimer(kPanelTimer);
    // The service thread must end before the panel goes: an instance that is not being replaced
    // asks its own service loop to quit.
    if (link_ && !restarting_ && link_->GetDaemonState() == DaemonState::Running) SendCommand(board_commands::Quit());
    if (link_) link_->JoinDaemon();
}

}  // namespace velmar
