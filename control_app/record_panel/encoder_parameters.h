// The encoder's parameters per record mode: the keys a mode keeps, their choices, ranges and
// defaults, the Intra Pict Dist. list, the command lines that program the encoder before a
// recording, and the lines of an encoder script (.scr). Plain data and text, no panel.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmar {

// The record modes as RECMODE stores them.
enum class RecordMode : int { Mpeg2_420 = 0, Mpeg2_422 = 1, Mpeg1 = 4 };

// A RECMODE value the encoder knows; nothing for any other (no microcode, no keys).
std::optional<RecordMode> RecordModeOf(int value);

struct EncoderModeSpec {
    const char* suffix;                 // key suffix: HRES422, VRES420, BITRATEMP1 ...
    std::vector<int> horizontal;        // Horizontal combo items, smallest first
    int horizontalDefault;
    std::vector<int> verticalNtsc;      // Vertical combo items per TV standard
    std::vector<int> verticalPal;
    int verticalNtscDefault;
    int verticalPalDefault;
    int refDistances;                   // Ref Pict Dist. items 1..refDistances
    int refDefault;
    int bitRateMax;                     // kbit/s; the minimum is 1
    int bitRateDefault;
};

const EncoderModeSpec& ModeSpec(RecordMode mode);

inline constexpr int kIntraDistanceMax = 15;
inline constexpr int kIntraDefault = 15;
inline constexpr int kSpinMax = 32767;
inline constexpr int kMinQMax = 31;

// The Intra Pict Dist. items: the multiples of `refDistance` up to 15.
std::vector<int> IntraDistances(int refDistance);
// The stored intra distance as the list shows it: rounded down to a multiple of `refDistance`.
// A value below the first item (0, or less than the distance) or above the list takes the
// default, 15, rounded down the same way, so the encoder never gets a distance outside its list.
int ChooseIntraDistance(int stored, int refDistance);

// What the encoder controls hold when a recording starts.
struct EncoderSettings {
    RecordMode mode = RecordMode::Mpeg2_420;
    bool pal = false;
    int horizontalIndex = 0;  // into ModeSpec(mode).horizontal
    int verticalIndex = 0;    // into the standard's vertical list
    int refIndex = 0;         // Ref Pict Dist. item index (distance - 1)
    int intraIndex = 0;       // Intra Pict Dist. item index
    int bitRate = 0;          // kbit/s
    int closeFreq = 0;
    int minQ = 1;
    bool luma = false;
    bool chroma = false;
    bool sceneChange = false;
    bool vbr = false;
};

// The encoder command lines of one programming, in the order they are sent.
std::vector<std::string> EncoderCommandLines(const EncoderSettings& settings);

// The command lines an encoder script holds. Lines are taken as a 1023-character reader takes
// them: a line starting with ';' is a comment, a line of fewer than 7 characters (its line end
// counted) is skipped, and up to two trailing CR or LF characters are removed from the rest. A
// line longer than the reader holds is skipped whole rather than sent in pieces.
std::vector<std::string> ScriptCommandLines(std::string_view text);

inline constexpr std::size_t kScriptLineMax = 1023;
// A script is a few command lines; a thousand of the longest fill 1 MiB. A larger file is no
// script (a device such as /dev/zero never ends) and is refused rather than read.
inline constexpr std::size_t kScriptFileMaxBytes = 1 << 20;

}  // namespace velmar
