#pragma once

#include <QWidget>

namespace corvid {

// The effect parameter window; its caption is the selected effect's name.
class TformFXsettings : public QWidget {
public:
    explicit TformFXsettings(QWidget* parent = nullptr) : QWidget(parent, Qt::Window) {
        setObjectName("formFXsettings");
        setFixedSize(333, 517);
    }
};

} // namespace corvid
