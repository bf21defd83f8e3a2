#include "app/TformConnectionDoctor.h"

#include "widgets/Accessibility.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace corvid {

TformConnectionDoctor::TformConnectionDoctor() : QWidget(nullptr, Qt::Window) {
    setObjectName("formConnectionDoctor");
    setWindowTitle("Connection Doctor");
    resize(600, 360);

    lblSummary = new QLabel(this);
    lblSummary->setObjectName("lblSummary");
    lblSummary->setWordWrap(true);

    lstChecks = new QTreeWidget(this);
    lstChecks->setObjectName("lstChecks");
    lstChecks->setAccessibleName("Checks of the connection");
    lstChecks->setHeaderLabels({"Status", "Check", "Cause and fix"});
    lstChecks->setRootIsDecorated(false);
    lstChecks->setWordWrap(true);
    lstChecks->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    lstChecks->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lstChecks->header()->setStretchLastSection(true);

    btnRunAgain = new QPushButton("&Run Again", this);
    btnRunAgain->setObjectName("btnRunAgain");
    btnCopy = new QPushButton("&Copy", this);
    btnCopy->setObjectName("btnCopy");
    btnCopy->setToolTip("Copies the findings, for a message to support");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCopy);
    buttons->addWidget(btnRunAgain);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(lstChecks, 1);
    layout->addLayout(buttons);

    connect(btnRunAgain, &QPushButton::clicked, this, [this] { Run(); });
    connect(btnCopy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(FindingsText()); });
    CloseOnEscape(*this);
}

void TformConnectionDoctor::FormCreate(std::function<std::vector<DoctorCheck>()> run) {
    run_ = std::move(run);
}

void TformConnectionDoctor::Run() {
    if (!run_) {
        return;
    }
    // The line check may wait seconds for a silent pedal.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    checks_ = run_();
    QApplication::restoreOverrideCursor();
    lstChecks->clear();
    const auto count = [this](DoctorCheck::Status status) {
        return std::count_if(checks_.begin(), checks_.end(),
                             [status](const DoctorCheck& c) { return c.status == status; });
    };
    for (const DoctorCheck& check : checks_) {
        const QStyle::StandardPixmap icon =
            check.status == DoctorCheck::Status::Pass   ? QStyle::SP_DialogApplyButton
            : check.status == DoctorCheck::Status::Warn ? QStyle::SP_MessageBoxWarning
                                                        : QStyle::SP_MessageBoxCritical;
        const QString text =
            QString::fromStdString(check.cause) +
            (check.fix.empty() ? QString() : "\nFix: " + QString::fromStdString(check.fix));
        auto* item =
            new QTreeWidgetItem(lstChecks, {QString::fromStdString(StatusWord(check.status)),
                                            QString::fromStdString(check.name), text});
        item->setIcon(0, style()->standardIcon(icon));
        item->setToolTip(2, text);
    }
    const long failed = count(DoctorCheck::Status::Fail);
    const long warned = count(DoctorCheck::Status::Warn);
    lblSummary->setText(failed > 0 ? QString("%1 of %2 checks failed: the fix is beside each.")
                                         .arg(failed)
                                         .arg(checks_.size())
                        : warned > 0
                            ? QString("Every check passed or warned (%1 warnings).").arg(warned)
                            : QString("Every check passed."));
}

QString TformConnectionDoctor::FindingsText() const {
    return QString::fromStdString(corvid::FindingsText(checks_));
}

} // namespace corvid
