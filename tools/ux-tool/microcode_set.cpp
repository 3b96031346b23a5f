#include "microcode_set.h"

namespace ux {

using namespace board_map;

const std::vector<MicrocodeSpec>& MicrocodeSet() {
    static const std::vector<MicrocodeSpec> set = {
        {"ppdecMain.ux", BoardRole::Decoder, StreamFormat::None, TvStandard::Ntsc},
        {"single422_nle.ux", BoardRole::Encoder, StreamFormat::Mpeg2_422, TvStandard::Ntsc},
        {"single422_pal_nle.ux", BoardRole::Encoder, StreamFormat::Mpeg2_422, TvStandard::Pal},
        {"single_nle.ux", BoardRole::Encoder, StreamFormat::Mpeg2_420, TvStandard::Ntsc},
        {"single_pal_nle.ux", BoardRole::Encoder, StreamFormat::Mpeg2_420, TvStandard::Pal},
        {"single_mpeg1.ux", BoardRole::Encoder, StreamFormat::Mpeg1, TvStandard::Ntsc},
        {"single_mpeg1_pal.ux", BoardRole::Encoder, StreamFormat::Mpeg1, TvStandard::Pal},
    };
    return set;
}

UxWriter BuildMicrocode(const MicrocodeSpec& spec) {
    const std::vector<std::uint32_t> descriptor = {kMicrocodeDescriptorMagic, static_cast<std::uint32_t>(spec.role),
                                                   static_cast<std::uint32_t>(spec.format),
                                                   static_cast<std::uint32_t>(spec.standard)};
    // The program body is a stand-in: words derived from the file name, so each file differs.
    std::vector<std::uint32_t> program = descriptor;
    std::uint32_t seed = 0x811C9DC5;
    for (char c : spec.fileName) seed = (seed ^ static_cast<unsigned char>(c)) * 0x01000193;
    for (int i = 0; i < 60; ++i) {
        seed = seed * 1664525 + 1013904223;
        program.push_back(seed);
    }
    // Board memory holds each word least significant byte first.
    std::vector<std::uint8_t> descriptorInMemory;
    for (std::uint32_t word : descriptor) AppendLittle32(descriptorInMemory, word);

    UxWriter writer;
    writer.RegisterList({{kControlRegister, kControlReset},
                         {kResetCompanionB, kResetCompanionBValue},
                         {kResetCompanionA, kResetCompanionAValue}})
        .Pause(100)
        .BulkWords(kMicrocodeDescriptorAddress, program)
        .ReadBack(kMicrocodeDescriptorAddress, descriptorInMemory)
        .ByteList({{kMicrocodeDescriptorAddress + 0x200, 0x01}, {kNeverWrittenByByteLists, 0xFF},
                   {kMicrocodeDescriptorAddress + 0x201, 0x5A}})
        .Pause(1000);
    return writer;
}

}  // namespace ux
