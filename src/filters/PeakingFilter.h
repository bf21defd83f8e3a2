#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace corvid {

// One biquad as the pedal's DSP runs it: b0, b1, b2 and the negated feedback terms -a1, -a2,
// all divided by a0.
struct BiquadCoefficients {
    double b0 = 0;
    double b1 = 0;
    double b2 = 0;
    double minusA1 = 0;
    double minusA2 = 0;

    std::array<double, 5> InOrder() const { return {b0, b1, b2, minusA1, minusA2}; }
};

inline constexpr double kPedalSampleRate = 48000.0;
// The DSP's coefficients are signed fixed point with this many fractional bits.
inline constexpr int kCoefficientFractionBits = 23;

// The equal-tempered frequency of a MIDI note (69 is A4, 440 Hz).
double NoteFrequency(int midiNote);

// The cookbook peaking equaliser at frequencyHz with quality q and a gain in dB (negative cuts).
BiquadCoefficients PeakingFilter(double frequencyHz, double q, double gainDb,
                                 double sampleRate = kPedalSampleRate);

// A coefficient as the DSP holds it: value x 2^23, rounded to the nearest integer (ties to even).
// Values outside
// the 32-bit range saturate; callers refuse non-finite values before they get here.
std::int32_t ToFixedPoint(double value);
double FromFixedPoint(std::int32_t value);

// The filter as the DSP runs it: each coefficient through the fixed-point format and back.
BiquadCoefficients AsFixedPoint(const BiquadCoefficients& c);

struct ResponsePoint {
    double hz;
    double db;
};
inline constexpr double kResponseFromHz = 30.0;
inline constexpr double kResponseToHz = 1000.0;
// The filter's gain at `points` frequencies spaced evenly on a log scale from 30 Hz to 1 kHz.
std::vector<ResponsePoint> FilterResponse(const BiquadCoefficients& c, int points = 400);

// The filter's gain in dB at frequencyHz.
double MagnitudeDb(const BiquadCoefficients& c, double frequencyHz,
                   double sampleRate = kPedalSampleRate);

} // namespace corvid
