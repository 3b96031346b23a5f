// Scale factors and Layer II scale factor selection.
#include <algorithm>
#include <cmath>

#include "layer12_coding.h"
#include "layer12_tables.h"

namespace mpa {

namespace {

unsigned ScaleFactorIndex(const double (&part)[12][32], int sb) {
    double largest = 0.0;
    for (int s = 0; s < 12; ++s) largest = std::max(largest, std::fabs(part[s][sb]));
    for (int j = 62; j >= 0; --j)
        if (kScaleFactorMultiple[j] >= largest) return static_cast<unsigned>(j);
    return 0;
}

// Class of a difference between two neighbouring parts' indexes.
int DifferenceClass(int d) {
    if (d <= -3) return 0;
    if (d < 0) return 1;
    if (d == 0) return 2;
    if (d < 3) return 3;
    return 4;
}

}  // namespace

void ComputeLayer1ScaleFactors(const double sample[3][12][32], unsigned scalar[3][32]) {
    for (int sb = 0; sb < 32; ++sb) scalar[0][sb] = ScaleFactorIndex(sample[0], sb);
}

void ComputeLayer2ScaleFactors(const double sample[3][12][32], int sblimit, unsigned scalar[3][32]) {
    for (int part = 0; part < 3; ++part)
        for (int sb = 0; sb < 32; ++sb)
            scalar[part][sb] = sb < sblimit ? ScaleFactorIndex(sample[part], sb) : kUnusedScaleFactor;
}

void LookUpScaleFactorValues(const unsigned scalar[3][32], double multiple[32]) {
    for (int sb = 0; sb < 32; ++sb) multiple[sb] = kScaleFactorMultiple[scalar[0][sb]];
}

void ComputeLayer2Multiples(const unsigned scalar[3][32], int sblimit, double multiple[32]) {
    for (int sb = 0; sb < 32; ++sb) {
        if (sb < sblimit) {
            unsigned smallest = std::min({scalar[0][sb], scalar[1][sb], scalar[2][sb]});
            multiple[sb] = kScaleFactorMultiple[smallest];
        } else {
            multiple[sb] = kScaleFactorMultiple[kUnusedScaleFactor];
        }
    }
}

void ChooseScaleFactorTransmission(unsigned scalar[3][32], int sblimit, unsigned scfsi[32]) {
    for (int sb = 0; sb < sblimit; ++sb) {
        unsigned& i0 = scalar[0][sb];
        unsigned& i1 = scalar[1][sb];
        unsigned& i2 = scalar[2][sb];
        int d1 = static_cast<int>(i0) - static_cast<int>(i1);
        int d2 = static_cast<int>(i1) - static_cast<int>(i2);
        switch (kScaleFactorPattern[DifferenceClass(d1)][DifferenceClass(d2)]) {
            case 0x123:
                scfsi[sb] = 0;
                break;
            case 0x122:
                scfsi[sb] = 3;
                i2 = i1;
                break;
            case 0x133:
                scfsi[sb] = 3;
                i1 = i2;
                break;
            case 0x113:
                scfsi[sb] = 1;
                i1 = i0;
                break;
            case 0x111:
                scfsi[sb] = 2;
                i1 = i2 = i0;
                break;
            case 0x222:
                scfsi[sb] = 2;
                i0 = i2 = i1;
                break;
            case 0x333:
                scfsi[sb] = 2;
                i0 = i1 = i2;
                break;
            case 0x444:
                scfsi[sb] = 2;
                i0 = std::min(i0, i2);
                i1 = i2 = i0;
                break;
        }
    }
}

}  // namespace mpa
