#include "ps_common/run_fault.h"

namespace ps {

std::string ErrorBoxText(RunFault fault, const std::string& encoderError) {
    switch (fault) {
    case RunFault::InputsNotValid: return "Video or Audio file not valid";
    case RunFault::AudioNotValid: return "Audio file not valid";
    case RunFault::ProgramStreamNotValid: return "Program Stream not valid";
    case RunFault::DvNeedsWave: return "Audio file must be WAVE audio file for DV";
    case RunFault::DvNeeds48k: return "Audio file must be 48KHz for DV";
    case RunFault::DvNeedsDvVideo: return "Video file must be DV video file for DV";
    case RunFault::CantOpenVideo: return "Can't open video file";
    case RunFault::CantOpenAudio: return "Can't open audio file";
    case RunFault::CantOpenProgram: return "Can't open program file";
    case RunFault::OutputIsAnInput: return "Output file is one of the input files";
    case RunFault::CantOpenOutput: return "Can't open output file";
    case RunFault::WriteFailed: return "Write File Error";
    case RunFault::AudioSyncLost: return "Audio sync error in audio file !";
    case RunFault::EncoderFailed: return encoderError;
    case RunFault::None:
    case RunFault::DamagedStream:
    case RunFault::TrackWriteFailed: break;
    }
    return {};
}

}  // namespace ps
