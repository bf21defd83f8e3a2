#include "filters/PeakingFilter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace corvid {

double NoteFrequency(int midiNote) {
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

BiquadCoefficients PeakingFilter(double frequencyHz, double q, double gainDb, double sampleRate) {
    const double w = 2.0 * std::numbers::pi * frequencyHz / sampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a = std::pow(10.0, gainDb / 40.0);
    const double cosW = std::cos(w);
    const double a0 = 1.0 + alpha / a;
    return {
        .b0 = (1.0 + alpha * a) / a0,
        .b1 = (-2.0 * cosW) / a0,
        .b2 = (1.0 - alpha * a) / a0,
        .minusA1 = -(-2.0 * cosW) / a0,
        .minusA2 = -(1.0 - alpha / a) / a0,
    };
}

std::int32_t ToFixedPoint(double value) {
    // Round to nearest, ties to even (the default rounding mode).
    const double scaled = std::nearbyint(std::ldexp(value, kCoefficientFractionBits));
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    if (!(scaled >= lowest)) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (scaled > highest) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(scaled);
}

double FromFixedPoint(std::int32_t value) {
    return std::ldexp(static_cast<double>(value), -kCoefficientFractionBits);
}

BiquadCoefficients AsFixedPoint(const BiquadCoefficients& c) {
    const auto fixed = [](double v) { return FromFixedPoint(ToFixedPoint(v)); };
    return {fixed(c.b0), fixed(c.b1), fixed(c.b2), fixed(c.minusA1), fixed(c.minusA2)};
}

std::vector<ResponsePoint> FilterResponse(const BiquadCoefficients& c, int points) {
    std::vector<ResponsePoint> response;
    response.reserve(static_cast<std::size_t>(std::max(points, 2)));
    const double span = std::log(kResponseToHz / kResponseFromHz);
    for (int i = 0; i < points; ++i) {
        const double hz = kResponseFromHz * std::exp(span * i / std::max(points - 1, 1));
        response.push_back({hz, MagnitudeDb(c, hz)});
    }
    return response;
}

double MagnitudeDb(const BiquadCoefficients& c, double frequencyHz, double sampleRate) {
    const double w = 2.0 * std::numbers::pi * frequencyHz / sampleRate;
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> numerator = c.b0 + c.b1 * z1 + c.b2 * z2;
    const std::complex<double> denominator = 1.0 - c.minusA1 * z1 - c.minusA2 * z2;
    return 20.0 * std::log10(std::abs(numerator / denominator));
}

} // namespace corvid
