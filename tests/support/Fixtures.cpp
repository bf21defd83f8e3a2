#include "support/Fixtures.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>

#include "link/HexMessage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace corvid::testing {

TestEditor::TestEditor(const std::function<void(TestEditor&)>& prepare) {
    if (prepare) {
        prepare(*this);
    }
    editor = std::make_unique<Editor>(EditorEnvironment{
        .driver = driver,
        .clock = clock,
        .dialogs = dialogs,
        .documents = documents.path().toStdString(),
        .webBase = webBase,
        .checkVersion = !webBase.empty(),
        .openUrl = [this](const std::string& address) { opened.push_back(address); },
        .watchDevices = watchDevices,
        .emulated = true});
}

TestEditor::~TestEditor() {
    // The look is the application's: the next editor of this process starts without it.
    qApp->setStyleSheet({});
    for (const std::vector<std::uint8_t>& bytes : pedal().Unexpected(clock.NowMs())) {
        ADD_FAILURE() << "the pedal got bytes it does not understand: "
                      << BytesToHex(bytes.data(), bytes.size(), " ");
    }
}

std::vector<std::string> TestEditor::LogLines() const {
    const QString text = editor->formPrint->Memo1->toPlainText();
    std::vector<std::string> lines;
    if (text.isEmpty()) {
        return lines;
    }
    for (const QString& line : text.split('\n')) {
        lines.push_back(line.toStdString());
    }
    return lines;
}

void TestEditor::Connect() {
    main().menuConnect->trigger();
}

} // namespace corvid::testing
