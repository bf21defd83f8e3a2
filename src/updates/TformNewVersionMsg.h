#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;

namespace corvid {

// The notice that a newer editor exists.
class TformNewVersionMsg : public QWidget {
    Q_OBJECT
public:
    explicit TformNewVersionMsg(QWidget* parent = nullptr);
    // Connects the box to the setting it changes.
    // `stopNotices` hears the "Don't Show This Message Again" box.
    void FormCreate(std::function<void(bool stop)> stopNotices);
    // Shows the notice, not modal, in the middle of the given window.
    void ShowCentredOn(const QWidget& window);

    QLabel* Label1;
    QCheckBox* CheckBox1;
};

} // namespace corvid
