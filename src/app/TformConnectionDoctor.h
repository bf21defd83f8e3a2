#pragma once

#include "link/PortDoctor.h"

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace corvid {

// Info > Connection Doctor...: each check of the connection with its status, cause and fix; Run
// Again checks anew, Copy puts the findings on the clipboard as the command line prints them.
class TformConnectionDoctor : public QWidget {
public:
    TformConnectionDoctor();
    // `run` checks the connection and gives the findings.
    void FormCreate(std::function<std::vector<DoctorCheck>()> run);
    // Checks now and shows what was found.
    void Run();
    // The findings as text: one line a check, its fix on the next.
    QString FindingsText() const;

    QLabel* lblSummary;
    QTreeWidget* lstChecks;
    QPushButton* btnRunAgain;
    QPushButton* btnCopy;

private:
    std::function<std::vector<DoctorCheck>()> run_;
    std::vector<DoctorCheck> checks_;
};

} // namespace corvid
