// Builds the Layer III model's `psy_data` parameter table: partitions of about a third of a Bark over
// the long (1024-point) and short (256-point) spectra, their parameters, and the maps from partitions to
// scale factor bands. Run at build time by gen-psydata; the encoder compiles the result in.
#pragma once

#include <vector>

namespace mpa {

// Rates of the table's blocks, in table order.
constexpr int kPsyDataRates[6] = {48000, 44100, 32000, 24000, 22050, 16000};

// The whole table: four sections (long partitions, short partitions, long band map, short band map),
// each with one block per rate: {rate, last row index} and then rows of six values.
std::vector<double> BuildPsyData();

// Spreading value of masker Bark `masker` on maskee Bark `maskee` (the model's rule).
double SpreadingFunction(double maskee, double masker);

}  // namespace mpa
