#include "base/Resources.h"

#include <QDirIterator>

namespace corvid {

std::string FindResource(const std::string& folder, const std::string& name) {
    QDirIterator it(QString::fromStdString(folder), QDir::Files);
    while (it.hasNext()) {
        it.next();
        if (it.fileName().compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0) {
            return it.filePath().toStdString();
        }
    }
    return {};
}

} // namespace corvid
