#pragma once

#include <QWidget>

namespace corvid {

// The firmware upgrade window.
class TformFirmwareUpgrade : public QWidget {
public:
    explicit TformFirmwareUpgrade(QWidget* parent = nullptr) : QWidget(parent, Qt::Window) {
        setObjectName("formFirmwareUpgrade");
        setWindowTitle("Firmware Upgrade");
    }
};

} // namespace corvid
