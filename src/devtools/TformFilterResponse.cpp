#include "devtools/TformFilterResponse.h"

#include "widgets/Accessibility.h"
#include "widgets/ResponseChart.h"

#include <QChart>
#include <QChartView>
#include <QVBoxLayout>

namespace corvid {

TformFilterResponse::TformFilterResponse(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("formFilterResponse");
    setWindowTitle("Filter Response");
    resize(460, 340);
    chartView = new QChartView(this);
    chartView->setObjectName("chartView");
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setFocusPolicy(Qt::NoFocus);
    chartView->viewport()->setFocusPolicy(Qt::NoFocus);
    chartView->setAccessibleName("Gain of the filter against frequency");
    CloseOnEscape(*this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(chartView);
}

void TformFilterResponse::ShowFilter(const QString& title, const BiquadCoefficients& filter,
                                     const QString& note, double noteHz) {
    title_ = title;
    filter_ = filter;
    note_ = note;
    noteHz_ = noteHz;
    Plot();
    show();
    raise();
}

void TformFilterResponse::Plot() {
    QChart* old = chartView->chart();
    chartView->setChart(MakeResponseChart(title_, {FilterResponse(AsFixedPoint(filter_))},
                                          {{note_, noteHz_}}, palette(), font()));
    delete old;
}

void TformFilterResponse::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (IsLookChange(*event) && !title_.isEmpty()) {
        Plot();
    }
}

} // namespace corvid
