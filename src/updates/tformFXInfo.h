#pragma once

#include <QWidget>

namespace corvid {

// The effect information window; its caption is set when it is opened.
class tformFXInfo : public QWidget {
public:
    explicit tformFXInfo(QWidget* parent = nullptr) : QWidget(parent, Qt::Window) {
        setObjectName("formFXInfo");
    }
};

} // namespace corvid
