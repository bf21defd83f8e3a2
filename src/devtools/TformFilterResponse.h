#pragma once

#include "filters/PeakingFilter.h"

#include <QWidget>

class QChartView;

namespace corvid {

// The calculator's last filter as a plot: its gain against frequency, the note marked.
class TformFilterResponse : public QWidget {
    Q_OBJECT
public:
    explicit TformFilterResponse(QWidget* parent = nullptr);

    // Plots the filter the pedal would run (its fixed-point coefficients) and shows the window.
    void ShowFilter(const QString& title, const BiquadCoefficients& filter, const QString& note,
                    double noteHz);

    QChartView* chartView;

protected:
    // A new look re-plots the filter in its colours.
    void changeEvent(QEvent* event) override;

private:
    void Plot();

    QString title_;
    BiquadCoefficients filter_{};
    QString note_;
    double noteHz_ = 0.0;
};

} // namespace corvid
