#include "ps_common/pcm_wave.h"

#include "wave_format/wave_header.h"

namespace ps {

PcmWave OpenPcmWave(const std::string& path, std::uint32_t rate) {
    PcmWave w;
    auto file = FileSource::Open(path);
    if (!file) return w;
    w.opened = true;
    const auto layout = wav::ReadWaveLayout(path);
    if (!layout || layout->formatTag != 1 || layout->channels != 2 || layout->bitsPerSample != 16 ||
        layout->sampleRate != rate || !file->Seek(layout->dataOffset))
        return w;
    w.file = std::move(file);
    w.dataBytes = layout->dataBytes;
    w.rate = rate;
    return w;
}

}  // namespace ps
