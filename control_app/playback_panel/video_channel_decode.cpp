// Decode to file on channel A: the board decodes a range of what the channel plays into output
// stream 5; STOP waits until that stream has drained and appends the trailer that describes the
// pictures.
//
// The picture size the board is told and the trailer come from one place (DecodeGeometry), so the
// file and its trailer always agree: 720 x 480 frames (240-line fields) at 30 pictures a second in
// NTSC, 720 x 576 (288-line fields) at 25 in PAL.
#include <algorithm>
#include <cstdio>

#include "board_commands/command_lines.h"
#include "board_link/format.h"
#include "platform/kernel.h"
#include "platform/log.h"
#include "platform/regular_file.h"
#include "record_output/record_output.h"
#include "velmar_view.h"
#include "velmar_view_ids.h"
#include "video_channel.h"

namespace velmar {

using namespace panel_ids;

namespace {

constexpr const char* kDecodeFilterDefaultExtension = "flm";
// Tries of 100 ms to reopen the output for its trailer.
constexpr int kTrailerOpenTries = 50;

struct DecodeGeometry {
    int width = 720;
    int frameLines;
    int rate;
    int FieldLines() const { return frameLines / 2; }
    // Pictures are stored 4:2:2, two bytes a pixel.
    std::uint64_t PictureBytes(bool frames) const {
        return std::uint64_t(width) * 2 * std::uint64_t(frames ? frameLines : FieldLines());
    }
};

DecodeGeometry GeometryFor(bool pal) { return pal ? DecodeGeometry{720, 576, 25} : DecodeGeometry{720, 480, 30}; }

}  // namespace

void CVideoChannel::OnUncompressFile() {
    const std::string stored = panel_.ReadKey("PATHDIO");
    std::string extension = ExtensionOf(stored);
    if (extension.empty()) extension = ".flm";
    const bool known = extension == ".flm" || extension == ".tga" || extension == ".mov";
    velmar_ui::FileChooserSpec chooser;
    // A save form: the output usually does not exist yet. Whether to replace one that does is
    // asked once, as the decode starts.
    chooser.save = true;
    chooser.askBeforeReplacing = false;
    chooser.startFolder = velmar_ui::FolderOf(stored);
    chooser.initialName = known ? "*" + extension : "*.*";
    chooser.defaultExtension = kDecodeFilterDefaultExtension;
    chooser.filter = DecodeOutputFilter(extension);
    const auto choice = panel_.Ui().ChooseFile(chooser);
    if (!choice) return;
    decodePath_ = *choice;
    panel_.WriteKey("PATHDIO", *choice);
    panel_.UpdateData(false);
    panel_.View().SelectAllText(kDecodePath);
}

CVideoChannel::DecodeOutput CVideoChannel::OpenDecodeOutput() {
    const std::string path = platform::NormalizePath(decodePath_);
    velmar_ui::UiServices& ui = panel_.Ui();
    // The board would cut a longer name and write elsewhere; the clip being decoded, its index or
    // a parking clip would be overwritten with pictures. Each refusal names its cause in a box.
    if (!BoardTakesPath(ui, decodePath_) || !OutputIsNoInput(ui, decodePath_, panel_.FilesInUse()))
        return DecodeOutput::Refused;
    // A FIFO or a device is no file to decode into: opening it could hold the window for good.
    if (panel_.RefuseNonRegularFile(path)) return DecodeOutput::Refused;
    // The board's writer replaces the file itself: only the question is asked here.
    if (!ConfirmOverwrite(ui, decodePath_, false)) return DecodeOutput::NotOpened;
    // The board's writer opens the file later, on its own thread: find out now whether it can be
    // written, without truncating anything ("a" creates a missing file and keeps an existing one).
    if (!platform::OpenRegularFile(path, "ab")) return DecodeOutput::NotOpened;

    const DecodeGeometry geometry = GeometryFor(panel_.PalMode());
    std::string line;
    if (panel_.View().Checked(kDecodeFrame)) {
        if (BoardWindow* window = panel_.Window()) {
            window->Write32(window::kFrameSourceDescriptor, static_cast<std::uint32_t>(geometry.width));
            window->Write32(window::kFrameSourceDescriptor + 4, static_cast<std::uint32_t>(geometry.frameLines));
            window->Write32(window::kFrameSourceDescriptor + 8, 0);
        }
        line = board_commands::DecodeOutput(true, path);
    } else {
        line = board_commands::DecodeOutput(false, path);
    }
    panel_.SendCommand(line);
    if (BoardWindow* window = panel_.Window()) window->Write32(window::kDiskOverrunCounter, 0);
    return DecodeOutput::Opened;
}

void CVideoChannel::DecodeSetup(bool fromPaused) {
    if (!t_.decodesToFile || decodeFieldsEntry_ == 0) return;
    panel_.SendCommand(board_commands::Flush(board_commands::kDecodeOutput));
    panel_.Ui().Sleep(50);
    switch (OpenDecodeOutput()) {
    case DecodeOutput::Opened: break;
    case DecodeOutput::NotOpened: panel_.Ui().MessageBox({"Can't open decode output file", "Velmar Error"}); return;
    case DecodeOutput::Refused: return;  // its own box said why
    }
    decoding_ = true;
    decodeFields_ = decodeFieldsEntry_;
    decodeFrames_ = panel_.View().Checked(kDecodeFrame);
    const DecodeGeometry geometry = GeometryFor(panel_.PalMode());
    const std::uint32_t format =
        static_cast<std::uint32_t>(geometry.width) << 16 | static_cast<std::uint32_t>(geometry.FieldLines());
    const auto last = static_cast<std::uint32_t>(decodeFields_ - 1);
    if (!fromPaused) {
        const auto at = static_cast<std::uint32_t>(start_);
        panel_.SendCommand(board_commands::DecodeFormatAt(at, format, board_commands::kDecodeFromStart));
        panel_.SendCommand(board_commands::DecodeToFileAt(at + last));
        panel_.Ui().Sleep(50);
    } else {
        const BoardWindow* window = panel_.Window();
        const std::uint32_t at = window ? window->Read32(t_.status + window::kStatusFieldCounter) : 0;
        panel_.SendCommand(board_commands::DecodeFormatAt(at, format, board_commands::kDecodeFromPause));
        panel_.SendCommand(board_commands::DecodeToFileAt(at + last));
    }
}

void CVideoChannel::FinishDecode() {
    panel_.Host().ShowNotice(Notice::Closing);
    // The status loop's pieces only: a stop must not run the list engine or remote requests.
    if (!panel_.WaitForOutputDrain(board_commands::kDecodeOutput)) {
        platform::Log(platform::LogLevel::Warning, "decode output did not drain; closing it anyway");
        panel_.AddLogMessage("The decode output did not drain within a minute; it was closed anyway.");
    }
    panel_.SendCommand(board_commands::OutputEnd(board_commands::kDecodeOutput));

    const std::string path = platform::NormalizePath(decodePath_);
    const DecodeGeometry geometry = GeometryFor(panel_.PalMode());
    // A STOP between the two fields of a frame leaves half a picture: it goes, so that the pictures
    // end where the trailer begins.
    TrimToWholeUnits(path, 0, geometry.PictureBytes(decodeFrames_));
    std::FILE* file = nullptr;
    for (int tries = 0; tries < kTrailerOpenTries && !(file = platform::OpenRegularFile(path, "ab+").release());
         ++tries)
        panel_.Ui().Sleep(100);
    if (!file) {
        panel_.Ui().MessageBox({"Can't open decode output file", "Velmar Error"});
    } else {
        const auto asked = static_cast<std::uint32_t>(decodeFrames_ ? decodeFields_ / 2 : decodeFields_);
        // A STOP before the whole range was shown leaves fewer pictures than were asked for: the
        // trailer counts those the file holds, or a reader would take the trailer for pictures.
        std::uint32_t pictures = asked;
        if (std::fseek(file, 0, SEEK_END) == 0) {
            const long bytes = std::ftell(file);
            if (bytes >= 0)
                pictures = static_cast<std::uint32_t>(
                    std::min<std::uint64_t>(asked, std::uint64_t(bytes) / geometry.PictureBytes(decodeFrames_)));
        }
        if (pictures < asked)
            panel_.AddLogMessage(Format("The decode to file holds %u of the %u pictures asked for.", pictures, asked));
        const auto trailer = UncompressTrailer(pictures, geometry.width,
                                               decodeFrames_ ? geometry.frameLines : geometry.FieldLines(),
                                               geometry.rate);
        const bool written = std::fwrite(trailer.data(), 1, trailer.size(), file) == trailer.size();
        // A full disk may only show when the buffer is flushed.
        const bool closed = std::fclose(file) == 0;
        if (!written || !closed)
            panel_.Ui().MessageBox({Format("Can't write the end of the decode output file %s: the disk may be full",
                                           decodePath_.c_str()),
                                    "Velmar File Error"});
    }
    panel_.Host().CloseNotice(Notice::Closing);
    decoding_ = false;
    decodeFieldsEntry_ = 0;
    panel_.UpdateData(false);
}

}  // namespace velmar
