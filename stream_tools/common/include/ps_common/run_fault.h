// Why a stream tool's run failed. The engines name the cause and show nothing; the tool shells
// show its text in an "Error" box.
#pragma once

#include <string>

namespace ps {

enum class RunFault {
    None,
    InputsNotValid,         // the probes refused the video or the audio
    AudioNotValid,          // the WAVE to convert is not one the encoder takes
    ProgramStreamNotValid,  // the probe refused the program stream
    DvNeedsWave,            // DV audio: the audio is not a WAVE file
    DvNeeds48k,             // DV audio: the WAVE is not at 48 kHz
    DvNeedsDvVideo,         // DV audio: the video is not DV
    CantOpenVideo,
    CantOpenAudio,
    CantOpenProgram,
    OutputIsAnInput,  // creating the output would truncate one of the run's inputs
    CantOpenOutput,
    WriteFailed,       // a short write of the output
    AudioSyncLost,     // no frame header where the audio's next frame begins
    EncoderFailed,     // the audio encoder failed; its own words come with the result
    DamagedStream,     // the demultiplexer met damaged data; its messages say where
    TrackWriteFailed,  // a demultiplexed track could not be written; its messages name the file
};

// The text of the "Error" box for `fault`; empty where the run's messages have said why.
// `encoderError` is what the encoder said, the text of an EncoderFailed box.
std::string ErrorBoxText(RunFault fault, const std::string& encoderError = {});

}  // namespace ps
