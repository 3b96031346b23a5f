// Constant tables of Layer I and II coding. Layer I and Layer II keep separate arrangements.
#pragma once

namespace mpa {

// Scale factor value for index 0..62 (2^(1 - i/3)); index 63 (unused band) is 1e-20.
extern const double kScaleFactorMultiple[64];

// Signal-to-noise ratio in dB reached by a quantizer: Layer II indexed by class + 1 (0 = nothing coded),
// Layer I indexed by the allocation.
extern const double kLayer2Snr[18];
extern const double kLayer1Snr[16];

// Quantizer coefficients y = A x + B: Layer II by quantizer class, Layer I by allocation - 1.
extern const double kLayer2QuantA[17];
extern const double kLayer2QuantB[17];
extern const double kLayer1QuantA[14];
extern const double kLayer1QuantB[14];

// Scale factor transmission pattern by the classes of the two differences between the three parts.
extern const int kScaleFactorPattern[5][5];
// Scale factors sent for each scale factor selection value.
extern const int kScaleFactorsSent[4];

}  // namespace mpa
