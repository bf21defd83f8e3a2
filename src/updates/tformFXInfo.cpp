#include "updates/tformFXInfo.h"

#include "widgets/Accessibility.h"

#include <QTextBrowser>

namespace corvid {

tformFXInfo::tformFXInfo(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("formFXInfo");
    setWindowTitle("Form1");
    setFixedSize(335, 480);
    WebBrowser1 = new QTextBrowser(this);
    WebBrowser1->setObjectName("WebBrowser1");
    WebBrowser1->setGeometry(8, 8, 319, 464);
    WebBrowser1->setAccessibleName("Effect information");
    CloseOnEscape(*this);
    // A page's links go to the user's browser, never into this window.
    WebBrowser1->setOpenLinks(false);
    connect(WebBrowser1, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (openUrl_) {
            openUrl_(url.toString().toStdString());
        }
    });
}

void tformFXInfo::FormCreate(std::function<void(const std::string&)> openUrl) {
    openUrl_ = std::move(openUrl);
}

void tformFXInfo::ShowPage(const std::string& effectName, const std::string& page) {
    if (isVisible()) {
        close();
    }
    show();
    setWindowTitle(QString::fromStdString(effectName));
    WebBrowser1->setHtml(QString::fromStdString(page));
}

} // namespace corvid
