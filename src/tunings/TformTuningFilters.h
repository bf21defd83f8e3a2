#pragma once

#include <QWidget>

class QChart;
class QChartView;
class QComboBox;
class QLabel;

namespace corvid {

struct PedalState;

// What the note filters do: the tables' gain against frequency, with the open strings of a
// tuning marked and the cut each string gets.
class TformTuningFilters : public QWidget {
    Q_OBJECT
public:
    TformTuningFilters();

    // The tuning shown first is the one chosen in the parameter window.
    void FormCreate(const PedalState& state);
    void ShowResponse();

    QComboBox* cmbTableGroup;
    QComboBox* cmbTuning;
    QChartView* chartView;
    QLabel* lblStringCuts;

protected:
    void showEvent(QShowEvent* event) override;
    // A new look redraws the plot in its colours.
    void changeEvent(QEvent* event) override;

private:
    const PedalState* state_ = nullptr;
};

} // namespace corvid
