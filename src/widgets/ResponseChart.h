#pragma once

#include "filters/PeakingFilter.h"

#include <QString>

#include <vector>

class QChart;
class QPalette;

namespace corvid {

// A frequency marked on a response plot (an open string, a chosen note).
struct ChartMarker {
    QString name;
    double hz;
};

// Gain curves in dB against a log frequency axis, 30 Hz to 1 kHz, with dashed markers named in
// the legend. The colours follow the palette (a dark theme on a dark window, the highlight for
// the curves), so the plot suits the look it is shown in.
QChart* MakeResponseChart(const QString& title,
                          const std::vector<std::vector<ResponsePoint>>& curves,
                          const std::vector<ChartMarker>& markers, const QPalette& palette);

} // namespace corvid
