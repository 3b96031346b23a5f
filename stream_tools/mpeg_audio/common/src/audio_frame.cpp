#include "mpeg_audio/audio_frame.h"

#include "mpeg_audio/console.h"

namespace mpa {

const double kSamplingFrequencyKhz[2][4] = {{22.05, 24.0, 16.0, 0.0}, {44.1, 48.0, 32.0, 0.0}};

const int kBitrateKbps[2][3][16] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
};

namespace {
constexpr int kJsBound[3][4] = {{4, 8, 12, 16}, {4, 8, 12, 16}, {0, 4, 8, 16}};
constexpr int kRateHz[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};
}  // namespace

int SmpFrqIndex(long rate_hz, int* version) {
    for (int v = 1; v >= 0; --v) {
        for (int i = 0; i < 3; ++i) {
            if (kRateHz[v][i] == rate_hz) {
                if (version) *version = v;
                return i;
            }
        }
    }
    ConsoleMessage("SmpFrqIndex: %ld is not a legal sample rate\n", rate_hz);
    return -1;
}

int BitrateIndex(int layer, int bitrate_kbps, int version) {
    if (layer >= 1 && layer <= 3 && (version == 0 || version == 1)) {
        for (int index = 0; index < 15; ++index) {
            if (kBitrateKbps[version][layer - 1][index] == bitrate_kbps) return index;
        }
    }
    ConsoleMessage("BitrateIndex: %d (layer %d) is not a legal bitrate\n", bitrate_kbps, layer);
    return -1;
}

int js_bound(int layer, int mode_ext) {
    if (layer < 1 || layer > 3 || mode_ext < 0 || mode_ext > 3) {
        ConsoleMessage("js_bound bad layer/modext (%d/%d)\n", layer, mode_ext);
        return -1;
    }
    return kJsBound[layer - 1][mode_ext];
}

bool IsDecodableHeader(const AudioFrameHeader& h) {
    return (h.version == 0 || h.version == 1) && h.layer >= 1 && h.layer <= 3 && h.bitrate_index >= 0 &&
           h.bitrate_index <= 14 && h.sampling_frequency >= 0 && h.sampling_frequency <= 2 && h.mode >= 0 &&
           h.mode <= 3 && h.mode_ext >= 0 && h.mode_ext <= 3;
}

int AllocTableNumber(const AudioFrameHeader& h) {
    if (!IsDecodableHeader(h)) return 0;  // values outside the tables: never index them
    if (h.version == 0) return kLsfAllocTable;
    int channels = h.mode == kSingleChannel ? 1 : 2;
    int b = kBitrateKbps[h.version][h.layer - 1][h.bitrate_index] / channels;
    int f = static_cast<int>(kSamplingFrequencyKhz[h.version][h.sampling_frequency]);
    if (f == 48) {
        if (b >= 56) return 0;
        return b > 48 ? 3 : 2;
    }
    if (b >= 56 && b <= 80) return 0;
    if (b >= 96) return 1;
    if (f == 32) return 3;
    return b > 48 ? 3 : 2;
}

int ChooseAllocTable(AudioFrameParams& params) {
    int number = AllocTableNumber(params.header);
    if (number == params.tab_num && params.alloc) return params.sblimit;
    params.alloc = std::make_unique<AllocationTable>();
    params.tab_num = number;
    params.sblimit = LoadAllocTable(number, *params.alloc);
    return params.sblimit;
}

bool HeaderToFrameParams(AudioFrameParams& params) {
    const AudioFrameHeader& h = params.header;
    if (!IsDecodableHeader(h)) return false;
    params.actual_mode = h.mode;
    params.stereo = h.mode == kSingleChannel ? 1 : 2;
    params.sblimit = h.layer == 2 ? ChooseAllocTable(params) : kSubbands;
    params.jsbound = h.mode == kJointStereo ? js_bound(h.layer, h.mode_ext) : params.sblimit;
    return true;
}

bool ParseHeaderBytes(const uint8_t* b, AudioFrameHeader& h) {
    if (b[0] != 0xFF || (b[1] & 0xF0) != 0xF0) return false;
    h.version = (b[1] >> 3) & 1;
    h.layer = 4 - ((b[1] >> 1) & 3);
    h.error_protection = !(b[1] & 1);
    h.bitrate_index = b[2] >> 4;
    h.sampling_frequency = (b[2] >> 2) & 3;
    h.padding = (b[2] >> 1) & 1;
    h.extension = b[2] & 1;
    h.mode = b[3] >> 6;
    h.mode_ext = (b[3] >> 4) & 3;
    h.copyright = (b[3] >> 3) & 1;
    h.original = (b[3] >> 2) & 1;
    h.emphasis = b[3] & 3;
    return IsDecodableHeader(h);
}

int SamplingRateHz(const AudioFrameHeader& h) {
    if ((h.version != 0 && h.version != 1) || h.sampling_frequency < 0 || h.sampling_frequency > 2) return 0;
    return kRateHz[h.version][h.sampling_frequency];
}

int SamplesPerFrame(const AudioFrameHeader& h) {
    if (h.layer == 1) return 384;
    if (h.layer == 3 && h.version == 0) return 576;
    return 1152;
}

int FrameLengthBytes(const AudioFrameHeader& h) {
    if (!IsDecodableHeader(h) || h.bitrate_index == 0) return 0;
    long bitrate = kBitrateKbps[h.version][h.layer - 1][h.bitrate_index] * 1000L;
    long rate = SamplingRateHz(h);
    if (h.layer == 1) return static_cast<int>((12 * bitrate / rate + h.padding) * 4);
    if (h.layer == 3 && h.version == 0) return static_cast<int>(72 * bitrate / rate + h.padding);
    return static_cast<int>(144 * bitrate / rate + h.padding);
}

}  // namespace mpa
