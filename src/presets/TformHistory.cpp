#include "presets/TformHistory.h"

#include "widgets/Accessibility.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace corvid {

TformHistory::TformHistory() : QWidget(nullptr, Qt::Window) {
    setObjectName("formHistory");
    setWindowTitle("History");
    resize(520, 360);

    lstHistory = new QTreeWidget(this);
    lstHistory->setObjectName("lstHistory");
    lstHistory->setAccessibleName("Kept states of the pedal");
    lstHistory->setHeaderLabels({"Time (UTC)", "Before", "Changed since the one before"});
    lstHistory->setRootIsDecorated(false);
    lstHistory->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lstHistory->header()->setStretchLastSection(true);

    lblWhy = new QLabel(this);
    lblWhy->setObjectName("lblWhy");
    lblWhy->setWordWrap(true);

    btnRestore = new QPushButton("Restore", this);
    btnRestore->setObjectName("btnRestore");
    btnRestore->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblWhy, 1);
    buttons->addWidget(btnRestore);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstHistory, 1);
    layout->addLayout(buttons);

    connect(lstHistory, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { btnRestore->setEnabled(item != nullptr); });
    connect(btnRestore, &QPushButton::clicked, this, [this] {
        if (const QTreeWidgetItem* item = lstHistory->currentItem(); item != nullptr && restore_) {
            restore_(item->data(0, Qt::UserRole).toString().toStdU16String());
            Refresh();
        }
    });
    CloseOnEscape(*this);
}

void TformHistory::FormCreate(const PedalHistory& history, const ParameterSet& addresses,
                              std::function<bool()> readThisConnection,
                              std::function<void(const std::filesystem::path&)> restore) {
    history_ = &history;
    addresses_ = &addresses;
    readThisConnection_ = std::move(readThisConnection);
    restore_ = std::move(restore);
}

void TformHistory::Refresh() {
    lstHistory->clear();
    if (history_ == nullptr) {
        return;
    }
    const std::vector<HistoryEntry> entries = history_->Entries();
    // Newest first: the state before the last change is the one most often wanted back.
    for (std::size_t i = entries.size(); i-- > 0;) {
        const std::vector<std::string> changes = history_->Changes(i, *addresses_);
        std::string changed;
        std::string lines;
        for (const std::string& line : changes) {
            changed += (changed.empty() ? "" : "; ") + line;
            lines += (lines.empty() ? "" : "\n") + line;
        }
        auto* item =
            new QTreeWidgetItem(lstHistory, {QString::fromStdString(entries[i].time),
                                             QString::fromStdString(entries[i].operation),
                                             QString::fromStdString(i == 0 ? "(the first kept)"
                                                                    : changes.empty() ? "nothing"
                                                                                      : changed)});
        item->setData(0, Qt::UserRole, QString::fromStdU16String(entries[i].file.u16string()));
        // The whole list, one change a line, where the column is too narrow.
        item->setToolTip(2, QString::fromStdString(lines));
    }
    btnRestore->setEnabled(false);
    // Why a change now would not be kept, or where the states are.
    lblWhy->setText(readThisConnection_ && !readThisConnection_()
                        ? QString::fromStdString(PedalHistory::kNothingRead + ".")
                        : QString::fromStdString("Kept in " + history_->Folder().string()));
}

} // namespace corvid
