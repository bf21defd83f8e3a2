#pragma once

#include "filters/PeakingFilter.h"

#include <QColor>
#include <QString>

#include <vector>

class QChart;
class QEvent;
class QFont;
class QPalette;

namespace corvid {

// A frequency marked on a response plot (an open string, a chosen note).
struct ChartMarker {
    QString name;
    double hz;
};

// WCAG's contrast ratio of two colours, 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b);

// The colours of a response plot in a look: its plot area a shade from the window's colour, the
// text the window's, the curves in the look's highlight, and each marker its own hue; the
// curves stand 3:1 from the plot area and every marker 3:1 from both.
struct ChartColours {
    QColor background;
    QColor text;
    QColor curve;
    std::vector<QColor> markers;
};
ChartColours ResponseChartColours(const QPalette& palette, std::size_t markerCount);

// Gain curves in dB against a log frequency axis, 30 Hz to 1 kHz, labelled at 50, 100, 200, 500
// and 1000 Hz, with dashed markers named in the legend; in the look's colours and font.
QChart* MakeResponseChart(const QString& title,
                          const std::vector<std::vector<ResponsePoint>>& curves,
                          const std::vector<ChartMarker>& markers, const QPalette& palette,
                          const QFont& font);

// Whether a window's event is a new look (style sheet or palette), after which its charts,
// whose colours are fixed when they are made, are made again.
bool IsLookChange(const QEvent& event);

} // namespace corvid
