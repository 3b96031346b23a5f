// Builds without the MPEG audio decoder: the .wav files stay empty and say so in the list.
#include "ps_demux/demux.h"

namespace ps_demux {

AudioDecoderFactory DefaultAudioDecoder() { return {}; }

}  // namespace ps_demux
