#include "algorithms/AlgorithmLibrary.h"

#include "base/Resources.h"

#include <QFile>

namespace corvid {

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

} // namespace

std::string AlgorithmResourceName(const std::string& algorithmName) {
    std::string name = algorithmName;
    ReplaceAll(name, " ", "_");
    ReplaceAll(name, "-", "_");
    ReplaceAll(name, "+", "plus");
    ReplaceAll(name, "X", "mult");
    return name;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            line += c;
        }
    }
    if (!line.empty()) {
        lines.push_back(std::move(line));
    }
    return lines;
}

AlgorithmLibrary::AlgorithmLibrary(Dialogs& dialogs) : dialogs_(dialogs) {}

std::string AlgorithmLibrary::ResourcePath(const std::string& name) const {
    return FindResource(":/algorithms", name);
}

bool AlgorithmLibrary::LoadResourceLines(const std::string& name) {
    const std::string path = ResourcePath(name);
    QFile resource(QString::fromStdString(path));
    if (path.empty() || !resource.open(QIODevice::ReadOnly)) {
        dialogs_.ShowMessage("Resource " + name + " not found");
        return false;
    }
    resourceLines.clear();
    const QByteArray bytes = resource.readAll();
    if (resource.error() != QFileDevice::NoError) {
        dialogs_.ShowMessage("Error loading resource: " + resource.errorString().toStdString());
    }
    resourceLines = SplitLines(bytes.toStdString());
    return true;
}

} // namespace corvid
