// The MPEG audio filter bank window, kept as the integers it is defined by.
#pragma once

namespace mpa {

extern const int kWindowHalf[257];

// Analysis window value C[i], i = 0..511 (the synthesis window divided by 32).
double AnalysisWindow(int i);

}  // namespace mpa
