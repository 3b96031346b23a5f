// The record panel's file settings: the output, compress-from-file and script paths and their
// choosers, the audio rate and link, and the compress-from-file source.
#include <filesystem>

#include "board_commands/command_lines.h"
#include "board_link/format.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "record_ids.h"
#include "velmar_vrec.h"

namespace velmar {

using namespace record_ids;

namespace {

constexpr const char* kErrorCaption = "Velmar Error";

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
