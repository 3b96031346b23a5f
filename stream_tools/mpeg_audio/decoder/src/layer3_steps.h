// The per-granule steps of the Layer III decoder.
#pragma once

#include <cstddef>

#include "decoder_state.h"

namespace mpa {

int MainDataSlots(const AudioFrameHeader& header, int channels, std::size_t frameBytes);
bool ReadLayer3SideInfo(BitStream& stream, DecoderSideInfo& sideInfo, const AudioFrameParams& params);

void ReadLayer3ScaleFactors(DecoderState& s, int gr, int ch);
void ReadLsfScaleFactors(DecoderState& s, int gr, int ch);

// Decodes big values and count1 quadruples of one granule and channel into s.values[ch];
// false when the granule cannot be decoded (a table without codes).
bool DecodeLayer3Huffman(DecoderState& s, int gr, int ch, std::size_t part2Start);
// 0 good, 1 illegal code, 2 table without a tree.
int HuffmanDecode(const HuffmanDecodeTable& table, MainDataReservoir& reservoir, int* x, int* y, int* v, int* w);

void DequantizeLayer3(DecoderState& s, int gr, int ch);
void Layer3Stereo(DecoderState& s, int gr);
void ReorderLayer3(float* xr, const Layer3GranuleChannel& g, const AudioFrameHeader& header);
// Lines from `nonzeroEnd` on are zero.
void AntialiasLayer3(float* xr, const Layer3GranuleChannel& g, int nonzeroEnd);
void HybridSynthesis(DecoderState& s, const float* in, int sb, int ch, const Layer3GranuleChannel& g);

}  // namespace mpa
