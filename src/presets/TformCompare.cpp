#include "presets/TformCompare.h"

#include "widgets/Accessibility.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace corvid {

TformCompare::TformCompare() : QWidget(nullptr, Qt::Window) {
    setObjectName("formCompare");
    setWindowTitle("Compare");
    resize(560, 400);

    tblCompare = new QTreeWidget(this);
    tblCompare->setObjectName("tblCompare");
    tblCompare->setAccessibleName("Values side by side");
    tblCompare->setHeaderLabels({"Parameter", "Editor", "Pedal", "File"});
    tblCompare->setRootIsDecorated(false);
    tblCompare->header()->setSectionResizeMode(QHeaderView::Stretch);

    lblFile = new QLabel("No file chosen", this);
    lblFile->setObjectName("lblFile");
    btnChooseFile = new QPushButton("Choose File\u2026", this);
    btnChooseFile->setObjectName("btnChooseFile");
    btnLoadPedal = new QPushButton("Load Pedal into Editor", this);
    btnLoadPedal->setObjectName("btnLoadPedal");
    btnLoadFile = new QPushButton("Load File into Editor", this);
    btnLoadFile->setObjectName("btnLoadFile");

    auto* file = new QHBoxLayout;
    file->addWidget(lblFile, 1);
    file->addWidget(btnChooseFile);
    auto* loads = new QHBoxLayout;
    loads->addStretch(1);
    loads->addWidget(btnLoadPedal);
    loads->addWidget(btnLoadFile);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(file);
    layout->addWidget(tblCompare, 1);
    layout->addLayout(loads);

    connect(btnChooseFile, &QPushButton::clicked, this, [this] {
        const std::filesystem::path path =
            sources_.chooseFile ? sources_.chooseFile() : std::filesystem::path();
        if (path.empty()) {
            return;
        }
        std::string reason;
        columns_[kFile] = sources_.readFile(path, reason);
        lblFile->setText(QString::fromStdU16String(path.filename().u16string()) +
                         (columns_[kFile] ? QString() : ": " + QString::fromStdString(reason)));
        Show();
    });
    const auto load = [this](Column column) {
        if (columns_[column] && sources_.load) {
            sources_.load(*columns_[column]);
            columns_[kEditor] = sources_.editor();
            Show();
        }
    };
    connect(btnLoadPedal, &QPushButton::clicked, this, [load] { load(kPedal); });
    connect(btnLoadFile, &QPushButton::clicked, this, [load] { load(kFile); });
    CloseOnEscape(*this);
}

void TformCompare::FormCreate(Sources sources) {
    sources_ = std::move(sources);
}

void TformCompare::Open() {
    columns_[kEditor] = sources_.editor ? std::optional(sources_.editor()) : std::nullopt;
    columns_[kPedal] = sources_.pedal ? sources_.pedal() : std::nullopt;
    Show();
}

void TformCompare::Show() {
    tblCompare->clear();
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        auto* row = new QTreeWidgetItem(tblCompare);
        // A row differs when two of the columns that hold values disagree.
        std::optional<std::uint32_t> first;
        bool differs = false;
        for (int column = 0; column < kColumns; ++column) {
            const std::optional<PresetValues>& values = columns_[column];
            QString text = "\u2014";
            if (values) {
                const std::uint32_t value = (*values)[slot];
                text = QString::fromStdString(ValueInControlTerms(slot, value));
                differs = differs || (first && *first != value);
                first = first.value_or(value);
            }
            row->setText(column + 1, text);
        }
        const QString name = QString::fromUtf8(parameterTable[slot].name);
        row->setText(0, differs ? "\u2260 " + name : name);
        for (int column = 0; column <= kColumns && differs; ++column) {
            QFont bold = tblCompare->font();
            bold.setBold(true);
            row->setFont(column, bold);
        }
    }
    btnLoadPedal->setEnabled(columns_[kPedal].has_value());
    btnLoadFile->setEnabled(columns_[kFile].has_value());
}

} // namespace corvid
