#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;

namespace corvid {

class DataFolder;

// The notice that a newer editor exists.
class TformNewVersionMsg : public QWidget {
    Q_OBJECT
public:
    explicit TformNewVersionMsg(QWidget* parent = nullptr);
    // Connects the box to the setting it changes.
    void FormCreate(DataFolder& dataFolder);
    // Shows the notice, not modal, in the middle of the given window.
    void ShowCentredOn(const QWidget& window);

    QLabel* Label1;
    QCheckBox* CheckBox1;
};

} // namespace corvid
