#include "widgets/ResponseChart.h"

#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPalette>
#include <QValueAxis>

#include <cmath>

namespace corvid {

QChart* MakeResponseChart(const QString& title,
                          const std::vector<std::vector<ResponsePoint>>& curves,
                          const std::vector<ChartMarker>& markers, const QPalette& palette) {
    auto* chart = new QChart;
    const QColor window = palette.color(QPalette::Window);
    const bool dark = window.lightness() < 128;
    chart->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    chart->setBackgroundBrush(window);
    chart->setTitleBrush(palette.color(QPalette::WindowText));
    chart->setTitle(title);

    auto* axisX = new QLogValueAxis;
    axisX->setBase(10);
    axisX->setRange(kResponseFromHz, kResponseToHz);
    axisX->setLabelFormat("%g");
    axisX->setMinorTickCount(8);
    axisX->setTitleText("Frequency (Hz)");
    auto* axisY = new QValueAxis;
    axisY->setTitleText("Gain (dB)");
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);

    double lowest = 0.0;
    double highest = 0.0;
    const QPen curvePen(palette.color(QPalette::Highlight), 1.2);
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

    const QPen markerPen(dark ? QColor(0xFF, 0x8A, 0x7A) : QColor(0xB0, 0x30, 0x20), 1.5,
                         Qt::DashLine);
    for (const ChartMarker& mark : markers) {
        auto* marker = new QLineSeries;
        marker->setName(mark.name);
        marker->setPen(markerPen);
        marker->append(mark.hz, bottom);
        marker->append(mark.hz, top);
        chart->addSeries(marker);
        marker->attachAxis(axisX);
        marker->attachAxis(axisY);
    }
    // The legend names the markers; the curves are told apart by the title and their notches.
    chart->legend()->setAlignment(Qt::AlignBottom);
    const QList<QLegendMarker*> legend = chart->legend()->markers();
    for (qsizetype i = 0; i < legend.size(); ++i) {
        legend[i]->setVisible(i >= static_cast<qsizetype>(curves.size()));
    }
    chart->legend()->setVisible(!markers.empty());
    return chart;
}

} // namespace corvid
