// The record flow: output files, RECORD, PAUSE, FR STEP and STOP of video and audio, the WAVE
// header of a finished audio file, and the compress-from-file source.
#include <filesystem>

#include "board_commands/command_lines.h"
#include "board_link/format.h"
#include "index_formats/index_files.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "record_ids.h"
#include "velmar_vrec.h"

namespace velmar {

using namespace record_ids;

namespace {

constexpr const char* kErrorCaption = "Velmar Error";
constexpr const char* kFileError = "Velmar File Error";

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(platform::NormalizePath(path), error);
}

}  // namespace

// ------------------------------------------------------------------ initialisation

void CVelmarVrec::InitVideoPaths() {
    View().SetFlat(kStopVideo, true);
    videoPath = profile_.GetString(section_, "RPATHV");
    compressPath = profile_.GetString(section_, "PATHEIO");
    scriptPath = profile_.GetString(section_, "PATHSCR");
    UpdateData(false);
}

void CVelmarVrec::InitAudioRecord() {
    View().SetFlat(kStopAudio, true);
    audioPath = profile_.GetString(section_, "RPATHA");
    UpdateData(false);
    linkedAudio_ = profile_.GetInt(section_, "LINKRAUD", 0) != 0;
    View().SetChecked(kLinkAudio, linkedAudio_);
    const int rate = profile_.GetInt(section_, "RAUDRATE", 48);
    if (rate == 32)
        OnAudioRate32();
    else if (rate == 44)
        OnAudioRate44();
    else
        OnAudioRate48();
}

void CVelmarVrec::SetAudioRate(int code, const char* key) {
    View().SetChecked(kRate48, code == 2);
    View().SetChecked(kRate44, code == 1);
    View().SetChecked(kRate32, code == 0);
    port40_ = (port40_ & ~3) | code;
    WriteKey("RAUDRATE", key);
    SendCommand(board_commands::DeviceByte(board_commands::kPortExpander40, static_cast<std::uint32_t>(port40_)));
}

void CVelmarVrec::OnAudioRate48() { SetAudioRate(2, "48"); }
void CVelmarVrec::OnAudioRate44() { SetAudioRate(1, "44"); }
void CVelmarVrec::OnAudioRate32() { SetAudioRate(0, "32"); }

void CVelmarVrec::OnLinkRecordAudio() {
    linkedAudio_ = View().Checked(kLinkAudio);
    WriteKey("LINKRAUD", linkedAudio_ ? "1" : "0");
}

void CVelmarVrec::OnPathEdited() { UpdateFormData(); }

void CVelmarVrec::OnPathLeft(const velmar_ui::Event& event) {
    switch (event.id) {
    case kVideoPath: WriteKey("RPATHV", videoPath); break;
    case kAudioPath: WriteKey("RPATHA", audioPath); break;
    case kCompressPath: WriteKey("PATHEIO", compressPath); break;
    case kScriptPath: WriteKey("PATHSCR", scriptPath); break;
    default: break;
    }
}

// ------------------------------------------------------------------ output files

std::string CVelmarVrec::MdbPath() const {
    return index_formats::IndexPathBeside(platform::NormalizePath(videoPath), ".mdb");
}

std::vector<std::string> CVelmarVrec::FilesInUse() const {
    // The file the encoder compresses and its script; the data folders are checked by the outputs.
    std::vector<std::string> files;
    for (const std::string* path : {&compressPath, &scriptPath})
        if (!path->empty()) files.push_back(*path);
    return files;
}

bool CVelmarVrec::OpenVideoOutput() {
    // The service loop would take an empty name as no file at all and drop the recording.
    if (videoPath.empty()) {
        Ui().MessageBox({"Choose a video output file first", kFileError});
        return false;
    }
    if (!OutputPathUsable(Ui(), videoPath, FilesInUse())) return false;
    if ((linkedAudio_ || audioRecording_) && !OutputsAreTwoFiles(Ui(), videoPath, audioPath)) return false;
    if (!ConfirmOverwrite(Ui(), videoPath, true)) return false;
    // The old index goes with the old recording; whatever else bears its name stays.
    std::error_code ignored;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(MdbPath(), ignored)))
        std::filesystem::remove(MdbPath(), ignored);
    if (linkedAudio_ && !OpenAudioOutput()) return false;
    const bool swap = View().Checked(kByteSwap);
    const bool reversed = is2000Board_ ? swap : !swap;
    SendCommand(board_commands::OutputToFile(board_commands::kRecordVideo, reversed, videoPath));
    return true;
}

bool CVelmarVrec::OpenAudioOutput() {
    if (audioPath.empty()) {
        Ui().MessageBox({"Choose an audio output file first", kFileError});
        return false;
    }
    // The board's writer replaces the file; only the question is asked here.
    if (!OutputPathUsable(Ui(), audioPath, FilesInUse())) return false;
    if (recordState_ != RecordState::Idle && !OutputsAreTwoFiles(Ui(), videoPath, audioPath)) return false;
    if (!ConfirmOverwrite(Ui(), audioPath, false)) return false;
    SendCommand(board_commands::OutputToFile(board_commands::kRecordAudio, is2000Board_, audioPath));
    return true;
}

// ------------------------------------------------------------------ video record

void CVelmarVrec::ResetEncoderOutput() {
    window_->Write32(window::kDiskOverrunCounter, 0);
    window_->Write32(window::kEncoderIndexRing, 0);
    window_->Write32(window::kEncoderIndexRing + 4, 0);
}

static int BoardFrames(const CVelmarVrec& panel, BoardWindow& window) {
    return panel.TimecodeToFrames(window.Read32(window::kRecordTimecode + 4) & 0x7FFFFFFF);
}

void CVelmarVrec::OnRecordVideo() {
    if (!UpdateData(true) || !window_) return;
    if (recordState_ == RecordState::Paused) {
        SendCommand(board_commands::RecordResumeNow());
        recordState_ = RecordState::Recording;
        View().SetFlat(kPauseVideo, false);
        View().SetFlat(kRecordVideo, true);
        return;
    }
    if (recordState_ == RecordState::Recording || script_) return;

    const bool compress = compressFields > 0;
    if (compress) {
        SendCommand(board_commands::Flush(board_commands::kDecodeOutput));
        if (!LoadCompressSource()) return;
    }
    if (!OpenVideoOutput()) return;
    // Pressed while the encoder script is sent; STOP then ends the script.
    View().SetFlat(kRecordVideo, true);
    View().SetFlat(kStopVideo, false);
    const auto start = [this, compress] {
        ResetEncoderOutput();
        if (compress) {
            SendCommand(board_commands::WriteRegister(board_commands::kCompressFromFileRegister, board_commands::kFlagSetWord));
            SendCommand(SourceFormatLine(Descriptor(), targaDepth_, compressFields));
        } else if (linkedAudio_) {
            audioStartFrame_ = BoardFrames(*this, *window_);
            SendCommand(board_commands::RecordStartBothNow());
            audioRecording_ = true;
            View().SetFlat(kRecordAudio, true);
            View().SetFlat(kStopAudio, false);
        } else {
            SendCommand(board_commands::RecordStartNow(board_commands::kRecordVideo));
        }
        recordState_ = RecordState::Recording;
    };
    ProgramEncoder(start, [this] { AbandonRecordStart(); });
}

void CVelmarVrec::StartPausedRecording() {
    if (script_ || !UpdateData(true) || !OpenVideoOutput()) return;
    View().SetFlat(kPauseVideo, true);
    View().SetFlat(kStopVideo, false);
    const auto start = [this] {
        // A count or index left from the last recording would stop or confuse this one at once.
        ResetEncoderOutput();
        const int t = BoardFrames(*this, *window_);
        SendCommand(board_commands::RecordAt(FramesToTimecode(t + 8), board_commands::kRecordStart));
        SendCommand(board_commands::RecordAt(FramesToTimecode(t + 15), board_commands::kRecordPause));
        recordState_ = RecordState::Paused;
    };
    ProgramEncoder(start, [this] { AbandonRecordStart(); });
}

void CVelmarVrec::AbandonRecordStart() {
    // Nothing was recorded: the outputs opened for it are closed as they are.
    SendCommand(board_commands::OutputEnd(board_commands::kRecordVideo));
    if (linkedAudio_) SendCommand(board_commands::OutputEnd(board_commands::kRecordAudio));
    View().SetFlat(kRecordVideo, false);
    View().SetFlat(kPauseVideo, false);
    View().SetFlat(kStopVideo, true);
}

void CVelmarVrec::OnPauseVideo() {
    if (!window_ || script_) return;
    if (recordState_ == RecordState::Recording) {
        SendCommand(board_commands::RecordPauseNow());
        recordState_ = RecordState::Paused;
        View().SetFlat(kRecordVideo, false);
        View().SetFlat(kPauseVideo, true);
    } else if (recordState_ == RecordState::Idle) {
        StartPausedRecording();
    }
}

void CVelmarVrec::OnFrameStep() {
    if (!window_) return;
    if (recordState_ != RecordState::Paused) {
        OnPauseVideo();
        return;
    }
    const int t = BoardFrames(*this, *window_);
    SendCommand(board_commands::RecordAt(FramesToTimecode(t + 8), board_commands::kRecordResume));
    SendCommand(board_commands::RecordAt(FramesToTimecode(t + 9), board_commands::kRecordPause));
}

void CVelmarVrec::StopVideoRecord() {
    if (script_) {
        AbandonScript({});
        return;
    }
    if (recordState_ == RecordState::Idle) return;
    const RecordState was = recordState_;
    recordState_ = RecordState::Idle;
    const bool withAudio = linkedAudio_;
    if (withAudio) {
        audioRecording_ = false;
        SendCommand(board_commands::RecordStopBothNow());
        View().SetFlat(kRecordAudio, false);
        View().SetFlat(kStopAudio, true);
    } else {
        SendCommand(board_commands::RecordStopNow(board_commands::kRecordVideo));
    }
    host_.ShowNotice(Notice::Closing);
    DrainWait(0);
    SendCommand(board_commands::OutputEnd(board_commands::kRecordVideo));
    if (recordMode_ == 4) {
        // MPEG-1 recordings keep no picture index.
        Ui().Sleep(200);
        std::error_code ignored;
        std::filesystem::remove(MdbPath(), ignored);
    }
    if (withAudio) {
        DrainWait(1);
        SendCommand(board_commands::OutputEnd(board_commands::kRecordAudio));
        WriteWavHeader();
    }
    if (compressFields > 0)
        SendCommand(board_commands::WriteRegister(board_commands::kCompressFromFileRegister, board_commands::kFlagClearWord));
    host_.CloseNotice(Notice::Closing);
    if (recordMode_ == 1) SendCommand(board_commands::VerticalSize(palMode_ ? 4 : 2));
    if (window_ && static_cast<std::int32_t>(window_->Read32(window::kDiskOverrunCounter)) > 0)
        Ui().MessageBox({"Recording Stopped due Disk Overrun", kErrorCaption});
    View().SetFlat(was == RecordState::Recording ? kRecordVideo : kPauseVideo, false);
    View().SetFlat(kStopVideo, true);
}

// ------------------------------------------------------------------ audio record

void CVelmarVrec::StartAudioRecord() {
    if (audioRecording_ || script_ || !window_ || !OpenAudioOutput()) return;
    // A count left from an earlier overrun would stop this recording on the next tick, and the
    // service loop would drop its data meanwhile. A running video recording keeps its own count.
    if (recordState_ == RecordState::Idle) window_->Write32(window::kDiskOverrunCounter, 0);
    audioStartFrame_ = BoardFrames(*this, *window_);
    SendCommand(board_commands::RecordStartNow(board_commands::kRecordAudio));
    audioRecording_ = true;
    View().SetFlat(kRecordAudio, true);
    View().SetFlat(kStopAudio, false);
}

void CVelmarVrec::StopAudioRecord() {
    if (!audioRecording_) return;
    audioRecording_ = false;
    SendCommand(board_commands::RecordStopNow(board_commands::kRecordAudio));
    View().SetFlat(kRecordAudio, false);
    View().SetFlat(kStopAudio, true);
    host_.ShowNotice(Notice::Closing);
    DrainWait(1);
    SendCommand(board_commands::OutputEnd(board_commands::kRecordAudio));
    WriteWavHeader();
    host_.CloseNotice(Notice::Closing);
}

void CVelmarVrec::OnAudioRecordPause() { Ui().MessageBox({"Feature Not Yet Implemented", "Velmar Message"}); }

void CVelmarVrec::WriteWavHeader() {
    // A loop that ended under the recording may have stopped in the middle of a sample.
    TrimToWholeUnits(audioPath, wav::kWavHeaderSize, 4);
    WriteWavHeaderRetrying(Ui(), audioPath, audioPath, RecordSampleRate(port40_ & 3));
}

// ------------------------------------------------------------------ compress from file

FrameSourceDescriptor CVelmarVrec::Descriptor() const {
    FrameSourceDescriptor d;
    if (!window_) return d;
    const std::uint32_t at = window::kFrameSourceDescriptor;
    d.bytesPerLine = window_->Read32(at);
    d.lines = window_->Read32(at + 4);
    d.skip = window_->Read32(at + 8);
    d.type = window_->Read32(at + 12);
    return d;
}

bool CVelmarVrec::LoadCompressSource() {
    const std::uint32_t at = window::kFrameSourceDescriptor;
    const SourceType type = SourceTypeOf(compressPath);
    const auto fail = [this](const std::string& text) {
        Ui().MessageBox({text, kErrorCaption});
        return false;
    };
    if (type == SourceType::None) return fail("File must end in .flm, .tga, or .mov");
    if (!BoardTakesPath(Ui(), compressPath)) return false;
    window_->Write32(at + 12, static_cast<std::uint32_t>(type));
    const std::string path = platform::NormalizePath(compressPath);
    const char* name = compressPath.c_str();
    if (!Exists(compressPath)) return fail(Format("File Error opening file \"%s\"", name));

    const bool frameMode = View().Checked(kFrameRadio);
    const int encoderWidth = SelectedValue(kHorizontal);
    const int encoderHeight = SelectedValue(kVertical);
    const int wantedHeight = frameMode ? encoderHeight : encoderHeight / 2;
    const auto sizeMismatch = [&](int width, int height) {
        return fail(Format("File \"%s\" does not match encoding resolution \nFile resolution = %dx%d \nEncoder "
                           "setting = %dx%d",
                           name, width, height, encoderWidth, encoderHeight));
    };
    bool interleaved = frameMode;
    FrameSourceDescriptor d;
    if (type == SourceType::FilmStrip) {
        const auto trailer = ReadFilmStripTrailer(path);
        if (!trailer) return fail(Format("File \"%s\" is not a valid \"filmstrip\" file", name));
        const std::int64_t fields = frameMode ? std::int64_t{trailer->frames} * 2 : trailer->frames;
        if (fields < compressFields) return fail(Format("File \"%s\" only contains %d fields", name, static_cast<int>(fields)));
        const int width = static_cast<int>(trailer->width), height = static_cast<int>(trailer->height);
        if (width != encoderWidth || height != wantedHeight) return sizeMismatch(width, height);
        d = {trailer->width * 4, trailer->height, trailer->skip, 1};
    } else if (type == SourceType::Targa) {
        const auto header = ReadTargaHeader(path);
        if (!header || !header->Supported()) return fail(Format("File \"%s\" is not a supported \"Targa\" format", name));
        if (!BaseNameEndsInDigit(compressPath)) return fail("No digit found on end of file base.");
        if (header->width != encoderWidth || header->height != wantedHeight)
            return sizeMismatch(header->width, header->height);
        d = {static_cast<std::uint32_t>(header->width * header->depth / 8), static_cast<std::uint32_t>(header->height),
             18, 2};
        targaDepth_ = header->depth;
    } else {
        d = {1440, 480, 8, 3};
        interleaved = true;
    }
    window_->Write32(at, d.bytesPerLine);
    window_->Write32(at + 4, d.lines);
    window_->Write32(at + 8, d.skip);
    SendCommand(board_commands::CompressInputFile(interleaved, name));
    window_->Write32(window::kDiskOverrunCounter, 0);
    return true;
}

// ------------------------------------------------------------------ browse

namespace {

// "*" and the stored name's extension, or the default extension when it has none.
std::string InitialName(const std::string& stored, const char* defaultExtension) {
    const std::string extension = std::filesystem::path(platform::NormalizePath(stored)).extension().string();
    return "*" + (extension.empty() ? std::string(defaultExtension) : extension);
}

}  // namespace

void CVelmarVrec::Browse(velmar_ui::ControlId edit, std::string& member, const char* key,
                         const std::string& initialName, const char* dialogExtension, const std::string& filter,
                         bool output) {
    velmar_ui::FileChooserSpec chooser;
    // An output usually does not exist yet: a save form, as the playback panel's recorders use.
    chooser.save = output;
    // The recorder asks "File Already Exists ..." itself when it starts: one question, not two.
    chooser.askBeforeReplacing = !output;
    // The chooser opens in the stored file's folder; the working directory stays as it is, since
    // workers of other windows rely on it.
    chooser.startFolder = velmar_ui::FolderOf(platform::NormalizePath(member));
    chooser.initialName = initialName;
    chooser.defaultExtension = dialogExtension;
    chooser.filter = filter;
    const auto path = Ui().ChooseFile(chooser);
    if (!path || !BoardTakesPath(Ui(), *path)) return;
    member = *path;
    filling_ = true;
    View().SetText(edit, member);
    filling_ = false;
    WriteKey(key, member);
}

void CVelmarVrec::OnVideoRecordBrowse() {
    Browse(kVideoPath, videoPath, "RPATHV", InitialName(videoPath, ".mpg"), "mpg",
           "MPEG Files (*.mpg;*.m2v;*.m1v)|*.mpg;*.m2v;*.m1v|Audio Files (*.wav)|*.wav|Data Files "
           "(*.mpg;*.m2v;*.m1v;*.wav)|*.mpg; *.m2v; *.m1v; *.wav|All Files (*.*)|*.*||",
           true);
}

void CVelmarVrec::OnAudioRecordBrowse() {
    Browse(kAudioPath, audioPath, "RPATHA", InitialName(audioPath, ".wav"), "aud",
           "Audio Files (*.wav)|*.wav|MPEG Files (*.mpg)|*.mpg|Data Files (*.mpg;*.wav)|*.mpg; *.wav|All Files "
           "(*.*)|*.*||",
           true);
}

void CVelmarVrec::OnScriptBrowse() {
    Browse(kScriptPath, scriptPath, "PATHSCR", InitialName(scriptPath, ".scr"), "scr",
           "Script Files (*.scr)|*.scr|All Files (*.*)|*.*||");
}

void CVelmarVrec::OnCompressSourceBrowse() {
    const std::string tail = "Data Files (*.flm;*.tga;*.mov)|*.flm; *.tga; *.mov|All Files (*.*)|*.*||";
    const std::string flm = "FilmStrip Files (*.flm)|*.flm|", tga = "Targa Files (*.tga)|*.tga|",
                      mov = "QuickTime Files (*.mov)|*.mov|";
    const std::string name = InitialName(compressPath, ".flm");
    std::string filter;
    if (name == "*.flm")
        filter = flm + tga + mov + tail;
    else if (name == "*.tga")
        filter = tga + flm + mov + tail;
    else if (name == "*.mov")
        filter = mov + tga + flm + tail;
    else
        filter = "All Files (*.*)|*.*|" + flm + tga + mov + tail;
    const bool known = name == "*.flm" || name == "*.tga" || name == "*.mov";
    Browse(kCompressPath, compressPath, "PATHEIO", known ? name : "*.*", "flm", filter);
}

}  // namespace velmar
