#pragma once

#include <QWidget>

namespace corvid {

// The note cut window.
class TformNoteTrackingFilter : public QWidget {
public:
    explicit TformNoteTrackingFilter(QWidget* parent = nullptr) : QWidget(parent, Qt::Window) {
        setObjectName("formNoteTrackingFilter");
        setWindowTitle("Note Cut");
    }
};

} // namespace corvid
