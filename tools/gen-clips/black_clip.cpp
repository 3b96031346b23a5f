#include "black_clip.h"

#include "start_codes/start_codes.h"

namespace {

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void Put(std::uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            current_ = static_cast<std::uint8_t>((current_ << 1) | ((value >> i) & 1u));
            if (++used_ == 8) Flush();
        }
    }
    // Zero bits up to the next byte, then zero stuffing bytes up to the next 4-byte boundary, as
    // before every start code: the board's own recordings have them there, and the index builder
    // looks at whole words only.
    void AlignToWord() {
        while (used_ != 0) Put(0, 1);
        while (out_.size() % 4 != 0) Put(0, 8);
    }
    void StartCode(std::uint8_t code) {
        AlignToWord();
        Put(0x000001, 24);
        Put(code, 8);
    }

private:
    void Flush() {
        out_.push_back(current_);
        current_ = 0;
        used_ = 0;
    }
    std::vector<std::uint8_t>& out_;
    std::uint8_t current_ = 0;
    int used_ = 0;
};

void SequenceHeader(BitWriter& bits, const BlackClipFormat& format) {
    bits.StartCode(start_codes::kSequenceHeader);
    bits.Put(format.width, 12);
    bits.Put(format.height, 12);
    bits.Put(2, 4);                   // 4:3 display
    bits.Put(format.frameRateCode, 4);
    bits.Put(8'000'000 / 400, 18);    // bit rate in 400 bit/s units
    bits.Put(1, 1);                   // marker
    bits.Put(112, 10);                // VBV buffer size in 16 kbit units
    bits.Put(0, 1);                   // not constrained
    bits.Put(0, 1);                   // default intra matrix
    bits.Put(0, 1);                   // default non-intra matrix

    bits.StartCode(start_codes::kExtension);
    bits.Put(1, 4);     // sequence extension
    bits.Put(0x48, 8);  // Main profile, Main level
    bits.Put(0, 1);     // interlaced sequence
    bits.Put(1, 2);     // 4:2:0
    bits.Put(0, 2);     // horizontal size extension
    bits.Put(0, 2);     // vertical size extension
    bits.Put(0, 12);    // bit rate extension
    bits.Put(1, 1);     // marker
    bits.Put(0, 8);     // VBV buffer size extension
    bits.Put(0, 1);     // low delay off
    bits.Put(0, 2);     // frame rate extension n
    bits.Put(0, 5);     // frame rate extension d
}

void GroupHeader(BitWriter& bits, int firstPicture, int picturesPerSecond) {
    const int seconds = firstPicture / picturesPerSecond;
    bits.StartCode(start_codes::kGroup);
    bits.Put(0, 1);                              // no drop-frame numbering in the header
    bits.Put(seconds / 3600, 5);                 // hours
    bits.Put(seconds / 60 % 60, 6);              // minutes
    bits.Put(1, 1);                              // marker
    bits.Put(seconds % 60, 6);                   // seconds
    bits.Put(firstPicture % picturesPerSecond, 6);  // pictures
    bits.Put(1, 1);                              // closed group
    bits.Put(0, 1);                              // no broken link
}

void PictureHeader(BitWriter& bits, int temporalReference) {
    bits.StartCode(start_codes::kPicture);
    bits.Put(temporalReference, 10);
    bits.Put(1, 3);        // intra picture
    bits.Put(0xFFFF, 16);  // variable VBV delay
    bits.Put(0, 1);        // no extra information

    bits.StartCode(start_codes::kExtension);
    bits.Put(8, 4);       // picture coding extension
    bits.Put(0xFFFF, 16); // f codes unused in intra pictures
    bits.Put(0, 2);       // 8-bit DC precision
    bits.Put(3, 2);       // frame picture
    bits.Put(1, 1);       // top field first
    bits.Put(1, 1);       // frame prediction and frame DCT only
    bits.Put(0, 1);       // no concealment vectors
    bits.Put(0, 1);       // linear quantiser scale
    bits.Put(0, 1);       // intra VLC table zero
    bits.Put(0, 1);       // zigzag scan
    bits.Put(0, 1);       // no repeated field
    bits.Put(1, 1);       // chroma 4:2:0 type
    bits.Put(0, 1);       // interlaced frame
    bits.Put(0, 1);       // no composite display information
}

// Every block holds its DC value only: luma 16 (black), chroma 128 (no colour). The DC
// predictors restart at 128 in every slice, so only the first luma block of a slice carries a
// difference (16 - 128 = -112: size 7, coded as -112 + 127).
void Slice(BitWriter& bits, int row, int macroblocks) {
    bits.StartCode(static_cast<std::uint8_t>(0x01 + row));
    bits.Put(8, 5);  // quantiser scale code
    bits.Put(0, 1);  // no extra slice information
    for (int mb = 0; mb < macroblocks; ++mb) {
        bits.Put(1, 1);  // address increment 1
        bits.Put(1, 1);  // intra macroblock
        for (int block = 0; block < 4; ++block) {
            if (mb == 0 && block == 0) {
                bits.Put(0b111110, 6);  // luma DC size 7
                bits.Put(-112 + 127, 7);
            } else {
                bits.Put(0b100, 3);  // luma DC size 0
            }
            bits.Put(0b10, 2);  // end of block
        }
        for (int chroma = 0; chroma < 2; ++chroma) {
            bits.Put(0b00, 2);  // chroma DC size 0
            bits.Put(0b10, 2);  // end of block
        }
    }
}

}  // namespace

BlackClip MakeBlackClip(const BlackClipFormat& format) {
    BlackClip clip;
    BitWriter bits(clip.stream);
    const int picturesPerSecond = format.frameRateCode == 3 ? 25 : 30;
    const int rows = format.height / 16;
    const int macroblocks = format.width / 16;
    for (int picture = 0; picture < format.pictures; ++picture) {
        const int inGroup = picture % format.groupSize;
        if (inGroup == 0) {
            bits.AlignToWord();
            clip.groupOffsets.push_back(clip.stream.size());
            SequenceHeader(bits, format);
            GroupHeader(bits, picture, picturesPerSecond);
        }
        PictureHeader(bits, inGroup);
        for (int row = 0; row < rows; ++row) Slice(bits, row, macroblocks);
    }
    bits.StartCode(start_codes::kSequenceEnd);
    return clip;
}
