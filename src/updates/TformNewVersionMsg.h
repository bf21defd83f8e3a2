#pragma once

#include <QWidget>

class QCheckBox;

namespace corvid {

class DataFolder;

// The notice that a newer editor exists.
class TformNewVersionMsg : public QWidget {
    Q_OBJECT
public:
    explicit TformNewVersionMsg(QWidget* parent = nullptr);
    // Connects the box to the setting it changes.
    void FormCreate(DataFolder& dataFolder);

    QCheckBox* CheckBox1;
};

} // namespace corvid
