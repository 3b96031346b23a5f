#include "mpa_encoder/hearing.h"

#include <algorithm>
#include <cmath>

namespace mpa {

double ThresholdInQuietDb(double hz) {
    double f = hz / 1000.0;
    double db = 3.64 * std::pow(f, -0.8) - 6.5 * std::exp(-0.6 * (f - 3.3) * (f - 3.3)) + 1e-3 * std::pow(f, 4.0);
    return std::min(db, 96.0);
}

double ThresholdInQuietDbRounded(double hz) { return std::round(ThresholdInQuietDb(hz) * 100.0) / 100.0; }

double ZwickerBark(double hz) { return 13.0 * std::atan(0.00076 * hz) + 3.5 * std::atan((hz / 7500.0) * (hz / 7500.0)); }

}  // namespace mpa
