// Feeds arbitrary bytes to the frame decoder and the stream decoder.
#include <cstddef>
#include <cstdint>

#include "mpeg_audio/audio_decoder.h"
#include "mpeg_audio/console.h"
#include "mpeg_audio/stream_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        mpa::SetMessageSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    static const auto tables = std::make_shared<const mpa::HuffmanDecoderTables>(mpa::BuiltInHuffmanTables());
    mpa::AudioFrameDecoder decoder(tables);
    int16_t pcm[mpa::kMaxFrameValues];
    // The input as one frame and, split in two, as two frames of one stream (reservoir, overlap).
    decoder.DecodeAudioFrame(data, size, pcm, false);
    decoder.DecodeAudioFrame(data + size / 2, size - size / 2, pcm, true);
    mpa::AudioStreamDecoder stream(tables);
    stream.Feed(data, size / 3);
    stream.Feed(data + size / 3, size - size / 3);
    stream.Finish();
    return 0;
}
