#include "updates/TformNewVersionMsg.h"

#include "preferences/DataFolder.h"

#include <QCheckBox>

namespace corvid {

TformNewVersionMsg::TformNewVersionMsg(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("formNewVersionMsg");
    setWindowTitle("New Version");
    CheckBox1 = new QCheckBox("Don't Show This Message Again", this);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(16, 120, 260, 21);
}

void TformNewVersionMsg::FormCreate(DataFolder& dataFolder) {
    connect(CheckBox1, &QCheckBox::toggled, this,
            [&dataFolder](bool checked) { dataFolder.CheckBox1Change(checked); });
}

} // namespace corvid
