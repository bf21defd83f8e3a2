#include "widgets/ResponseChart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QEvent>
#include <QFont>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPalette>
#include <QValueAxis>

#include <array>
#include <cmath>

namespace corvid {

namespace {

double Luminance(const QColor& colour) {
    const auto channel = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

QColor Blend(const QColor& from, const QColor& to, double t) {
    return QColor::fromRgbF(static_cast<float>(from.redF() + (to.redF() - from.redF()) * t),
                            static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * t),
                            static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * t));
}

// The colour nearest to `colour` towards white (or black) whose luminance reaches `target`
// (or falls to it); the colour itself when it is there already.
QColor TowardLuminance(const QColor& colour, double target, bool lighter) {
    const auto reached = [&](const QColor& c) {
        return lighter ? Luminance(c) >= target : Luminance(c) <= target;
    };
    if (reached(colour)) {
        return colour;
    }
    const QColor end = lighter ? QColor(Qt::white) : QColor(Qt::black);
    double low = 0.0;
    double high = 1.0;
    for (int i = 0; i < 30; ++i) {
        const double mid = (low + high) / 2;
        (reached(Blend(colour, end, mid)) ? high : low) = mid;
    }
    return Blend(colour, end, high);
}

// Six hues a sixth of the colour wheel apart, ordered so neighbouring strings differ most.
constexpr std::array<QRgb, 6> kMarkerHues = {0xFF3030, 0xFFFF00, 0x00FFFF,
                                             0xFF00FF, 0x00FF00, 0x4040FF};

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

ChartColours ResponseChartColours(const QPalette& palette, std::size_t markerCount) {
    ChartColours colours;
    const QColor window = palette.color(QPalette::Window);
    colours.text = palette.color(QPalette::WindowText);
    // On a dark background the curves are a step lighter and the markers a step lighter again;
    // on a light one each is a step darker. A step is a contrast of 3:1, with a hair to spare.
    // The plot area is drawn a shade further from the middle than the window, like a screen,
    // so a mid-dark look still leaves the markers room for colour.
    const bool dark = Luminance(window) < 0.18;
    colours.background = TowardLuminance(window, dark ? 0.02 : 0.9, !dark);
    const double background = Luminance(colours.background);
    const auto step = [dark](double luminance) {
        return dark ? 3.02 * (luminance + 0.05) - 0.05 : (luminance + 0.05) / 3.02 - 0.05;
    };
    const QColor highlight = palette.color(QPalette::Highlight);
    const double curve = step(background);
    colours.curve = TowardLuminance(highlight, curve, Luminance(highlight) < curve);
    for (std::size_t i = 0; i < markerCount; ++i) {
        colours.markers.push_back(TowardLuminance(QColor(kMarkerHues[i % kMarkerHues.size()]),
                                                  step(Luminance(colours.curve)), dark));
    }
    return colours;
}

bool IsLookChange(const QEvent& event) {
    return event.type() == QEvent::StyleChange || event.type() == QEvent::PaletteChange;
}

QChart* MakeResponseChart(const QString& title,
                          const std::vector<std::vector<ResponsePoint>>& curves,
                          const std::vector<ChartMarker>& markers, const QPalette& palette,
                          const QFont& font) {
    const ChartColours colours = ResponseChartColours(palette, markers.size());
    auto* chart = new QChart;
    chart->setBackgroundBrush(palette.color(QPalette::Window));
    chart->setPlotAreaBackgroundBrush(colours.background);
    chart->setPlotAreaBackgroundVisible(true);
    chart->setTitleBrush(colours.text);
    QFont titleFont = font;
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->setTitle(title);
    const QColor grid = Blend(colours.background, colours.text, 0.3);
    const QColor minorGrid = Blend(colours.background, colours.text, 0.15);
    const auto dress = [&](QAbstractAxis* axis) {
        axis->setLabelsBrush(colours.text);
        axis->setLabelsFont(font);
        axis->setTitleBrush(colours.text);
        axis->setTitleFont(titleFont);
        axis->setLinePenColor(grid);
        axis->setGridLineColor(grid);
        axis->setMinorGridLineColor(minorGrid);
    };

    // The series run on a log axis that draws the line and the grid, a line for every 10 Hz
    // and every 100 Hz; a second axis over the same decades names 50, 100, 200, 500 and 1000,
    // since a log axis names only the powers of ten.
    auto* axisX = new QLogValueAxis;
    axisX->setBase(10);
    axisX->setRange(kResponseFromHz, kResponseToHz);
    axisX->setMinorTickCount(8);
    axisX->setLabelsVisible(false);
    dress(axisX);
    auto* labelsX = new QCategoryAxis;
    labelsX->setRange(std::log10(kResponseFromHz), std::log10(kResponseToHz));
    labelsX->setStartValue(std::log10(kResponseFromHz));
    for (const int hz : {50, 100, 200, 500, 1000}) {
        labelsX->append(QString::number(hz), std::log10(hz));
    }
    labelsX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    labelsX->setLineVisible(false);
    labelsX->setGridLineVisible(false);
    labelsX->setTitleText("Frequency (Hz)");
    dress(labelsX);
    auto* axisY = new QValueAxis;
    axisY->setTitleText("Gain (dB)");
    dress(axisY);
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(labelsX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);

    double lowest = 0.0;
    double highest = 0.0;
    const QPen curvePen(colours.curve, 1.2);
    for (const std::vector<ResponsePoint>& curve : curves) {
        auto* series = new QLineSeries;
        series->setPen(curvePen);
        for (const ResponsePoint& point : curve) {
            series->append(point.hz, point.db);
            lowest = std::min(lowest, point.db);
            highest = std::max(highest, point.db);
        }
        chart->addSeries(series);
        series->attachAxis(axisX);
        series->attachAxis(axisY);
    }
    // Ticks on whole decibels: every 1 dB for a shallow filter, every 5 dB for a deep one.
    const double step = highest - lowest > 10.0 ? 5.0 : 1.0;
    const double top = std::ceil((highest + step / 2) / step) * step;
    const double bottom = std::floor((lowest - step / 2) / step) * step;
    axisY->setRange(bottom, top);
    axisY->setTickType(QValueAxis::TicksDynamic);
    axisY->setTickAnchor(0.0);
    axisY->setTickInterval(step);
    axisY->setLabelFormat("%.0f");

    for (std::size_t i = 0; i < markers.size(); ++i) {
        auto* marker = new QLineSeries;
        marker->setName(markers[i].name);
        marker->setPen(QPen(colours.markers[i], 1.5, Qt::DashLine));
        marker->append(markers[i].hz, bottom);
        marker->append(markers[i].hz, top);
        chart->addSeries(marker);
        marker->attachAxis(axisX);
        marker->attachAxis(axisY);
    }
    // The legend names the markers; the curves are told apart by the title and their notches.
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setLabelColor(colours.text);
    chart->legend()->setFont(font);
    const QList<QLegendMarker*> legend = chart->legend()->markers();
    for (qsizetype i = 0; i < legend.size(); ++i) {
        legend[i]->setVisible(i >= static_cast<qsizetype>(curves.size()));
    }
    chart->legend()->setVisible(!markers.empty());
    return chart;
}

} // namespace corvid
