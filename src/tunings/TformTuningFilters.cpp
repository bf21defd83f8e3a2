#include "tunings/TformTuningFilters.h"

#include "parameters/FXsettings.h"
#include "tunings/TuningResponse.h"
#include "widgets/Accessibility.h"
#include "widgets/ResponseChart.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

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
    // A picture, not a control: Tab passes it by; its name says what it shows.
    chartView->setFocusPolicy(Qt::NoFocus);
    chartView->viewport()->setFocusPolicy(Qt::NoFocus);
    chartView->setAccessibleName("Gain of the note filters against frequency");
    CloseOnEscape(*this);
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

void TformTuningFilters::FormCreate(const PedalState& state) {
    state_ = &state;
}

void TformTuningFilters::showEvent(QShowEvent* event) {
    if (state_ != nullptr && state_->selectedTuning < FXsettings::tuningCount) {
        cmbTuning->setCurrentIndex(state_->selectedTuning);
    }
    ShowResponse();
    QWidget::showEvent(event);
}

void TformTuningFilters::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (IsLookChange(*event) && isVisible()) {
        ShowResponse();
    }
}

void TformTuningFilters::ShowResponse() {
    const TableGroup& group =
        tableGroups.at(static_cast<std::size_t>(std::max(cmbTableGroup->currentIndex(), 0)));
    std::vector<std::vector<ResponsePoint>> curves;
    for (std::size_t t = group.first; t <= group.last; ++t) {
        curves.push_back(TableResponse(tuningTables.at(t)));
    }
    std::vector<ChartMarker> markers;
    QStringList lines;
    for (const StringCut& cut : StringCuts(cmbTuning->currentIndex(), group)) {
        markers.push_back({QString("%1 string").arg(Q(cut.string.name)), cut.hz});
        lines << Q(FormatStringCut(cut));
    }
    lblStringCuts->setText(lines.isEmpty()
                               ? QString("No tuning selected: no strings to mark")
                               : "Deepest cut at each open string:\n" + lines.join('\n'));
    QChart* old = chartView->chart();
    chartView->setChart(MakeResponseChart(group.title, curves, markers, palette(), font()));
    delete old;
}

} // namespace corvid
