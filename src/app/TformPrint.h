#pragma once

#include "base/Services.h"

#include <QWidget>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace corvid {

// The debug console: the log of every step, and the developers' tools.
class TformPrint : public QWidget, public Log {
    Q_OBJECT
public:
    explicit TformPrint(QWidget* parent = nullptr);

    void PrintToConsole(const std::string& text) override;
    void PlainLine(const std::string& text) override;

    void btnClearClick();
    void btnScrollTopClick();
    void CheckBox1Change();

    QPlainTextEdit* Memo1;
    QPushButton* btnClear;
    QPushButton* btnScrollTop;
    QCheckBox* CheckBox1;
    bool consoleAutoScroll = true;

private:
    void AppendLine(const std::string& text);

    bool hasLines_ = false;
};

} // namespace corvid
