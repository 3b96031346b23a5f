// What every recorder of the panels shares once the board writes a file for it: the question
// before an existing output is replaced, the wait until the service loop has written out what the
// board produced, and the WAVE header written over a finished 16-bit stereo PCM file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "velmar_ui/ui_services.h"
#include "wave_format/wave_header.h"

namespace velmar {

// True when a board command line carries `path` as it stands (BoardPathRefusal); else says why and
// gives false, so that the board never reads or writes a file other than the one the panel handles.
// Checked before any question is asked or file opened.
bool BoardTakesPath(velmar_ui::UiServices& ui, const std::string& path);

// True when `path` is none of the files Velmar reads while it runs: `inUse` (clips, streams,
// indexes and lists of the channels) and the files of the data folders (parking clips, microcode,
// tables), compared by file identity so that a relative name, a link or another spelling is caught
// too. Else says so and gives false. Checked before the overwrite question, since no answer may
// destroy such a file.
bool OutputIsNoInput(velmar_ui::UiServices& ui, const std::string& path, const std::vector<std::string>& inUse);

// A recorder's output: the board takes the path whole (BoardTakesPath), its folder exists (the
// board cannot create it and would only report an overrun) and OutputIsNoInput. Else says which
// and gives false.
bool OutputPathUsable(velmar_ui::UiServices& ui, const std::string& path, const std::vector<std::string>& inUse);

// True when a recording's video and audio outputs are two files; else says so and gives false.
// Compared by file identity and by the name each spelling (a link, "./", "..") resolves to, so
// that two board streams never write one file, whether or not it exists yet.
bool OutputsAreTwoFiles(velmar_ui::UiServices& ui, const std::string& video, const std::string& audio);

// Unchanged ticks after which a drain wait takes an output as written out.
inline constexpr int kDrainQuietTicks = 10;
// A drain wait gives up after this many ticks (the output never went quiet).
inline constexpr int kDrainWaitLimitTicks = 600;
// Attempts (100 ms apart) to open an audio file for its WAVE header.
inline constexpr int kWavOpenAttempts = 50;

// When `path` exists: asks "File Already Exists Do You Wish to Overwrite?"; with `deleteIt` a Yes
// also deletes the file (a failed delete says so). Only a regular file is deleted: with `deleteIt`
// anything else at the path (a device, a pipe, a folder, a symbolic link) is refused with a
// message before the question. False when the output must not be opened.
bool ConfirmOverwrite(velmar_ui::UiServices& ui, const std::string& path, bool deleteIt);

// Sleeps 100 ms and runs `tick` until `quietTicks()` reaches kDrainQuietTicks. Returns at once when
// `ended` (may be empty) says the service loop has gone, since nothing drains then, and gives up
// after kDrainWaitLimitTicks ticks. False when the output did not drain.
bool WaitForDrain(velmar_ui::UiServices& ui, const std::function<int()>& quietTicks, const std::function<void()>& tick,
                  const std::function<bool()>& ended = {});

// The sample rate of an audio rate code (bits 0-1 of a port 0x40 byte): 0 32 kHz, 1 44.1, 2 48.
std::uint32_t RecordSampleRate(int rateCode);

// The 44-byte header of a 16-bit stereo PCM file of `fileSize` bytes whose samples start at
// byte 44. A file shorter than its header holds no samples; sizes beyond 32 bits are clamped.
std::array<std::uint8_t, wav::kWavHeaderSize> WavHeader(std::uint64_t fileSize, std::uint32_t sampleRate);

// Writes that header over the first 44 bytes of an existing file, keeping its length. False
// when the file cannot be opened or written.
bool WriteWavHeaderOver(const std::string& path, std::uint32_t sampleRate);

// WriteWavHeaderOver, tried kWavOpenAttempts times 100 ms apart (the service loop may still hold
// the file a moment after its stop); then "Can't write the WAVE header of <name>". False then.
bool WriteWavHeaderRetrying(velmar_ui::UiServices& ui, const std::string& path, const std::string& name,
                            std::uint32_t sampleRate);

// Cuts a recording back to a whole number of `unitBytes` units after its first `headerBytes`
// (a file the service loop stopped writing in the middle of a frame or sample). False when the
// file cannot be resized.
bool TrimToWholeUnits(const std::string& path, std::uint64_t headerBytes, std::uint64_t unitBytes);

}  // namespace velmar
