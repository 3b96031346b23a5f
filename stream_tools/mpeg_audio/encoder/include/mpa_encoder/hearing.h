// Hearing formulas shared by the psychoacoustic models and the generator of model 1's table files.
#pragma once

namespace mpa {

// Threshold in quiet in dB SPL at `hz` (Terhardt's approximation), capped at 96 dB where hearing ends.
double ThresholdInQuietDb(double hz);

// The same rounded to two decimals, as the standard's threshold tables print it.
double ThresholdInQuietDbRounded(double hz);

// Critical-band rate in Bark at `hz` (Zwicker's approximation).
double ZwickerBark(double hz);

}  // namespace mpa
