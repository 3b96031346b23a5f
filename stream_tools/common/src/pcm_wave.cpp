#include "ps_common/pcm_wave.h"

#include <vector>

#include "wave_format/wave_header.h"

namespace ps {

PcmWave OpenPcmWave(const std::string& path, std::uint32_t rate) {
    PcmWave w;
    auto file = FileSource::Open(path);
    if (!file) return w;
    w.opened = true;
    std::vector<std::uint8_t> head(4096);
    head.resize(file->Read(head.data(), head.size()));
    const std::int64_t size = FileSize(path);
    const auto layout = wav::ParseWaveLayout(head, std::uint64_t(size > 0 ? size : 0));
    if (!layout || layout->formatTag != 1 || layout->channels != 2 || layout->bitsPerSample != 16 ||
        layout->sampleRate != rate || !file->Seek(layout->dataOffset))
        return w;
    w.file = std::move(file);
    w.dataBytes = layout->dataBytes;
    w.rate = rate;
    return w;
}

}  // namespace ps
