#include "tunings/TformTuningFilters.h"

#include "parameters/FXsettings.h"
#include "tunings/TuningResponse.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QVBoxLayout>
#include <QValueAxis>

namespace corvid {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TformTuningFilters::TformTuningFilters() : QWidget(nullptr, Qt::Window) {
    setObjectName("formTuningFilters");
    setWindowTitle("Tuning Filters");
    resize(640, 640);

    cmbTableGroup = new QComboBox(this);
    cmbTableGroup->setObjectName("cmbTableGroup");
    for (const TableGroup& group : tableGroups) {
        cmbTableGroup->addItem(group.title);
    }
    cmbTuning = new QComboBox(this);
    cmbTuning->setObjectName("cmbTuning");
    for (const char* name : FXsettings::tuningNames) {
        cmbTuning->addItem(name);
    }
    chartView = new QChartView(this);
    chartView->setObjectName("chartView");
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumSize(480, 300);
    lblStringCuts = new QLabel(this);
    lblStringCuts->setObjectName("lblStringCuts");
    lblStringCuts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont fixed("monospace");
    fixed.setStyleHint(QFont::TypeWriter);
    lblStringCuts->setFont(fixed);
    lblStringCuts->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* choices = new QFormLayout;
    choices->addRow("&Filters:", cmbTableGroup);
    choices->addRow("&Tuning:", cmbTuning);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(chartView, 1);
    layout->addWidget(lblStringCuts);

    connect(cmbTableGroup, &QComboBox::currentIndexChanged, this, [this] { ShowResponse(); });
    connect(cmbTuning, &QComboBox::currentIndexChanged, this, [this] { ShowResponse(); });
}

void TformTuningFilters::FormCreate(const FXsettings& fx) {
    fx_ = &fx;
}

void TformTuningFilters::showEvent(QShowEvent* event) {
    if (fx_ != nullptr && fx_->selectedTuning < FXsettings::tuningCount) {
        cmbTuning->setCurrentIndex(fx_->selectedTuning);
    }
    ShowResponse();
    QWidget::showEvent(event);
}

void TformTuningFilters::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if ((event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange) &&
        isVisible()) {
        ShowResponse();
    }
}

void TformTuningFilters::ShowResponse() {
    const TableGroup& group =
        tableGroups.at(static_cast<std::size_t>(std::max(cmbTableGroup->currentIndex(), 0)));
    auto* chart = new QChart;
    // The plot follows the look: a dark theme on a dark window, the look's accent for the curves.
    const QColor window = palette().color(QPalette::Window);
    const bool dark = window.lightness() < 128;
    chart->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    chart->setBackgroundBrush(window);
    chart->setTitleBrush(palette().color(QPalette::WindowText));
    chart->setTitle(group.title);

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
    const QPen tablePen(palette().color(QPalette::Highlight), 1.2);
    for (std::size_t t = group.first; t <= group.last; ++t) {
        auto* series = new QLineSeries;
        series->setName(QString("table %1").arg(t));
        series->setPen(tablePen);
        for (const ResponsePoint& point : TableResponse(tuningTables.at(t))) {
            series->append(point.hz, point.db);
            lowest = std::min(lowest, point.db);
        }
        chart->addSeries(series);
        series->attachAxis(axisX);
        series->attachAxis(axisY);
    }
    // Ticks on whole decibels: every 1 dB for the shallow group, every 5 dB for the deep one.
    const double step = lowest > -10.0 ? 1.0 : 5.0;
    const double top = step;
    const double bottom = std::floor((lowest - step / 2) / step) * step;
    axisY->setRange(bottom, top);
    axisY->setTickType(QValueAxis::TicksDynamic);
    axisY->setTickAnchor(0.0);
    axisY->setTickInterval(step);
    axisY->setLabelFormat("%.0f");

    const std::vector<StringCut> cuts = StringCuts(cmbTuning->currentIndex(), group);
    QStringList lines;
    for (const StringCut& cut : cuts) {
        auto* marker = new QLineSeries;
        marker->setName(QString("%1 string").arg(Q(cut.string.name)));
        const QPen pen(dark ? QColor(0xFF, 0x8A, 0x7A) : QColor(0xB0, 0x30, 0x20), 1.5,
                       Qt::DashLine);
        marker->setPen(pen);
        marker->append(cut.hz, bottom);
        marker->append(cut.hz, top);
        chart->addSeries(marker);
        marker->attachAxis(axisX);
        marker->attachAxis(axisY);
        lines << Q(FormatStringCut(cut));
    }
    // The legend names the strings; the tables are told apart by the title and their notches.
    chart->legend()->setAlignment(Qt::AlignBottom);
    for (QLegendMarker* marker : chart->legend()->markers()) {
        marker->setVisible(marker->label().endsWith(" string"));
    }
    lblStringCuts->setText(lines.isEmpty()
                               ? QString("No tuning selected: no strings to mark")
                               : "Deepest cut at each open string:\n" + lines.join('\n'));
    QChart* old = chartView->chart();
    chartView->setChart(chart);
    if (old != nullptr && old != chart) {
        delete old;
    }
}

} // namespace corvid
