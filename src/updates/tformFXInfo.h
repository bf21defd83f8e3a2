#pragma once

#include <QWidget>

#include <functional>
#include <string>

class QTextBrowser;

namespace corvid {

// The effect information window: the selected effect's page, from the program's resources.
class tformFXInfo : public QWidget {
    Q_OBJECT
public:
    explicit tformFXInfo(QWidget* parent = nullptr);

    // Links on a page open in the user's browser through this.
    void FormCreate(std::function<void(const std::string&)> openUrl);
    // Shows the page, captioned with the effect's name.
    void ShowPage(const std::string& effectName, const std::string& page);

    QTextBrowser* WebBrowser1;

private:
    std::function<void(const std::string&)> openUrl_;
};

} // namespace corvid
