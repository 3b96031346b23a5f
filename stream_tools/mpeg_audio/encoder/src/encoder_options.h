// The encoder's option line ("enc -l 2 -b 192 -s 48 ...").
#pragma once

#include <string>

namespace mpa {

struct EncoderOptions {
    int layer = 3;
    int mode = 0;            // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int model = 2;           // psychoacoustic model
    long rate_hz = 44100;
    int bitrate_kbps = 0;    // 0: the layer's default
    int emphasis = 0;        // 0 none, 1 50/15 microseconds, 3 CCITT J.17
    bool copyright = false;
    bool original = false;
    bool protection = false;
    double quality = 1.0;    // Layer III quality divisor
};

// Parses `line` into `options` (which holds the defaults on entry). Stops at the first bad value and
// returns false; `message` then holds the diagnostic line, empty for a bad -q value.
bool ParseEncoderOptions(const std::string& line, EncoderOptions& options, std::string& message);

}  // namespace mpa
