#pragma once

#include "base/Services.h"
#include "devtools/CoefficientCalculator.h"
#include "devtools/EepromTools.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace corvid {

// The debug console: the log of every step, and the developers' tools.
class Session;
class TformFilterResponse;

class TformPrint : public QWidget, public Log, public EepromView {
    Q_OBJECT
public:
    explicit TformPrint(QWidget* parent = nullptr);

    // Connects the developer tools to the session; the filter calculator's refusals are shown
    // through `dialogs`.
    void FormCreate(Session& session, Dialogs& dialogs);
    // The console's own filter calculator (its fields' numbers and the last filter).
    const CoefficientCalculator& Calculator() const { return *calculator_; }

    void PrintToConsole(const std::string& text) override;
    void PlainLine(const std::string& text) override;

    void btnClearClick();
    void btnScrollTopClick();
    void CheckBox1Change();
    void btnEraseEepromClick();
    void btnReadEEPROMClick();
    void btnSendClick();
    void btnGetNoteFrequencyClick();

    // EepromView
    void ShowReadProgress(std::size_t received, std::size_t expected) override;

    QPlainTextEdit* Memo1;
    QPushButton* btnClear;
    QPushButton* btnScrollTop;
    QCheckBox* CheckBox1;
    QPushButton* btnEraseEeprom;
    QPushButton* btnReadEEPROM;
    QLineEdit* edtStartAddress;
    QLineEdit* edtEndAddress;
    QLineEdit* edtAddress;
    QLineEdit* edtData;
    QPushButton* btnSend;
    QComboBox* cmbNotePicker;
    QLineEdit* edtQ;
    QLineEdit* edtBoost;
    QPushButton* btnGetNoteFrequency;
    QLabel* lblReadProgress;
    // The last calculated filter's plot, opened by "Calc Coeff.".
    TformFilterResponse* formFilterResponse;
    bool consoleAutoScroll = true;

private:
    void AppendLine(const std::string& text);

    bool hasLines_ = false;
    Session* session_ = nullptr;
    std::unique_ptr<CoefficientCalculator> calculator_;
};

} // namespace corvid
