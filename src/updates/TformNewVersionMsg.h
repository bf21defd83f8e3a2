#pragma once

#include <QWidget>

class QCheckBox;

namespace corvid {

class DataFolder;

// The notice that a newer editor exists.
class TformNewVersionMsg : public QWidget {
    Q_OBJECT
public:
    explicit TformNewVersionMsg(DataFolder& dataFolder, QWidget* parent = nullptr);

    QCheckBox* CheckBox1;
};

} // namespace corvid
