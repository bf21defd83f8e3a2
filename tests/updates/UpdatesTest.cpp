#include "support/Fixtures.h"
#include "updates/EffectInfo.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/VersionCheck.h"
#include "updates/tformFXInfo.h"

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <fstream>

namespace corvid::testing {
namespace {

namespace fs = std::filesystem;

// A web site on 127.0.0.1 that answers every request with one status and body, or not at all.
class LocalSite : public QTcpServer {
public:
    LocalSite() {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    requests << socket->readAll();
                    if (silent) {
                        return;
                    }
                    socket->write("HTTP/1.1 " + status +
                                  "\r\nContent-Length: " + QByteArray::number(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(serverPort()); }

    QByteArray status = "200 OK";
    QByteArray body;
    bool silent = false;
    QList<QByteArray> requests;
};

struct Outcome {
    std::string menu;
    bool notice;
    std::vector<std::string> messages;
    std::string lastLog;
};

// Starts an editor over the site, lets the start-up second pass and waits for the check.
Outcome RunCheck(LocalSite& site, const std::string& showSetting = "") {
    TestEditor t([&](TestEditor& e) {
        e.webBase = site.Base();
        if (!showSetting.empty()) {
            const fs::path folder = fs::path(e.Documents()) / "KALVO" / "Corvid MK3";
            fs::create_directories(folder);
            std::ofstream(folder / "ShowMessageVersionAtStartup.txt") << showSetting;
        }
    });
    VersionCheck& check = t.modules().updates;
    EXPECT_FALSE(check.finished);
    t.clock.Sleep(VersionCheck::kStartDelayMs);
    if (site.silent) {
        QTest::qWait(100); // the request is out; the answer never comes
        t.clock.Sleep(VersionCheck::kTimeoutMs);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return check.finished; }, 5000));
    return {t.main().menuNewAppVersion->text().toStdString(),
            t.editor->formNewVersionMsg->isVisible(), t.dialogs.messages,
            t.LogLines().empty() ? std::string() : t.LogLines().back()};
}

TEST(VersionCheck, ComparesVersionsAsVersions) {
    struct Case {
        QByteArray body;
        std::string menu;
        bool notice;
    };
    const std::vector<Case> cases = {
        {"1.5", "New version available: 1.5", true},
        {"1.4", "No update available", false},
        {"1.10", "New version available: 1.10", true},
        {"1.3.9", "No update available", false},
        {"1.5\r\n", "New version available: 1.5", true},
        {" 2 ", "New version available: 2", true},
        {"1.4.0", "No update available", false},
        {"1.4.0.1", "New version available: 1.4.0.1", true},
    };
    LocalSite site;
    for (const Case& c : cases) {
        site.body = c.body;
        const Outcome outcome = RunCheck(site);
        EXPECT_EQ(outcome.menu, c.menu) << c.body.toStdString();
        EXPECT_EQ(outcome.notice, c.notice) << c.body.toStdString();
        EXPECT_TRUE(outcome.messages.empty());
    }
    ASSERT_FALSE(site.requests.isEmpty());
    EXPECT_TRUE(site.requests.front().startsWith("GET /download/corvid-editor-version.php "));
    EXPECT_EQ(GetEditorVersion(), "1.4");
}

TEST(VersionCheck, ABadAnswerFailsQuietly) {
    struct Case {
        QByteArray status;
        QByteArray body;
        std::string log;
    };
    const std::vector<Case> cases = {
        {"200 OK", "abc", "Version check failed: the reply is not a version: \"abc\""},
        {"200 OK", "1.22.333.4444.55555.666666.77777", ""}, // 32 bytes: still a version
        {"200 OK", "1.22.333.4444.55555.666666.777777",
         "Version check failed: the reply is over 32 bytes, not a version"},
        {"200 OK", "1.5" + QByteArray(130, ' ') + "x",
         "Version check failed: the reply is over 32 bytes, not a version"},
        {"200 OK", "1.5" + QByteArray(29, ' '), ""},
        {"200 OK", "1234567890",
         "Version check failed: the reply is not a version: \"1234567890\""},
        {"200 OK", "", "Version check failed: the reply is empty"},
        {"200 OK", "1..5", "Version check failed: the reply is not a version: \"1..5\""},
    };
    LocalSite site;
    for (const Case& c : cases) {
        site.status = c.status;
        site.body = c.body;
        const Outcome outcome = RunCheck(site);
        EXPECT_TRUE(outcome.messages.empty()) << c.body.toStdString();
        if (c.log.empty()) {
            EXPECT_EQ(outcome.menu, "New version available: " + c.body.trimmed().toStdString());
        } else {
            EXPECT_EQ(outcome.menu, "New version available:") << c.body.toStdString();
            EXPECT_EQ(outcome.lastLog, c.log);
        }
    }
}

TEST(VersionCheck, AnErrorStatusIsShownAndTheCheckEnds) {
    LocalSite site;
    site.status = "404 Not Found";
    site.body = "1.5";
    const Outcome outcome = RunCheck(site);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"Error: Not Found"});
    EXPECT_EQ(outcome.lastLog, "wew");
    EXPECT_EQ(outcome.menu, "New version available:");
    // A status without a reason phrase (as HTTP/2 sends them) is named by its code.
    site.status = "503";
    EXPECT_EQ(RunCheck(site).messages, std::vector<std::string>{"Error: 503"});
}

TEST(VersionCheck, GivesUpAfterTenSecondsAndOnAnUnreachableSite) {
    LocalSite site;
    site.silent = true;
    Outcome outcome = RunCheck(site);
    EXPECT_EQ(outcome.lastLog, "Version check failed: no answer within 10 s");
    EXPECT_TRUE(outcome.messages.empty());

    LocalSite closed;
    const std::string base = closed.Base();
    closed.close(); // nothing listens there any more
    TestEditor t([&](TestEditor& e) { e.webBase = base; });
    t.clock.Sleep(VersionCheck::kStartDelayMs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.modules().updates.finished; }, 5000));
    EXPECT_EQ(t.LogLines().back().rfind("Version check failed: ", 0), 0u);
    EXPECT_TRUE(t.dialogs.messages.empty());
}

TEST(VersionCheck, OnlyHttpsLeavesTheMachine) {
    TestEditor t([](TestEditor& e) { e.webBase = "http://www.kalvo.example"; });
    t.clock.Sleep(VersionCheck::kStartDelayMs);
    EXPECT_TRUE(t.modules().updates.finished);
    EXPECT_EQ(t.LogLines().back(),
              "Version check failed: the address is not https: http://www.kalvo.example");
}

// And the programs can speak it: a TLS backend is there (OpenSSL on Linux; on Windows Schannel,
// linked into the programs with the static Qt).
TEST(VersionCheck, TheProgramsSpeakTls) {
    const QStringList backends = QSslSocket::availableBackends();
    EXPECT_TRUE(QSslSocket::supportsSsl()) << backends.join(", ").toStdString();
#ifdef _WIN32
    EXPECT_TRUE(backends.contains("schannel")) << backends.join(", ").toStdString();
#endif
}

TEST(VersionCheck, NoInTheSettingOnlyChangesTheMenu) {
    LocalSite site;
    site.body = "1.5";
    const Outcome outcome = RunCheck(site, "NO");
    EXPECT_EQ(outcome.menu, "New version available: 1.5");
    EXPECT_FALSE(outcome.notice);
}

TEST(InfoMenu, LogsTheVersionAndOpensTheContactPage) {
    TestEditor t([](TestEditor& e) { e.webBase = "https://www.kalvo.example"; });
    EXPECT_EQ(t.main().menuAppVersion->text(), "Editor Version:  1.4");
    EXPECT_FALSE(t.main().menuQuickStart->isVisible());
    emit t.main().menuInfo->aboutToShow();
    emit t.main().menuInfo->aboutToShow();
    EXPECT_EQ(t.LogLines(),
              (std::vector<std::string>{"current app version: 1.4", "current app version: 1.4"}));
    t.main().menuSupport->trigger();
    EXPECT_EQ(t.opened, std::vector<std::string>{"https://www.kalvo.example/contact-us/"});
    EXPECT_EQ(t.LogLines().size(), 2u);
}

TEST(NewVersionNotice, IsCentredOnTheMainWindowAndNotModal) {
    LocalSite site;
    site.body = "9.0";
    TestEditor t([&](TestEditor& e) { e.webBase = site.Base(); });
    t.editor->Show();
    t.clock.Sleep(VersionCheck::kStartDelayMs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.modules().updates.finished; }, 5000));
    TformNewVersionMsg& notice = *t.editor->formNewVersionMsg;
    ASSERT_TRUE(notice.isVisible());
    EXPECT_FALSE(notice.isModal());
    EXPECT_EQ(notice.windowTitle(), "New Version");
    EXPECT_EQ(notice.size(), QSize(268, 109));
    // Centred, to the pixel the halves round to.
    EXPECT_LE(
        (notice.frameGeometry().center() - t.main().frameGeometry().center()).manhattanLength(), 2);
    EXPECT_EQ(notice.CheckBox1->text(), "Don't Show This Message Again");
}

TEST(EffectInfo, TheEffectPageListsEveryParameter) {
    TestEditor t;
    QListWidget* list = t.main().lstEffects;
    list->setCurrentRow(0);
    emit list->itemClicked(list->item(0));
    ASSERT_FALSE(t.main().btnGetFXInfo->isHidden());
    t.main().btnGetFXInfo->click();
    tformFXInfo& info = *t.editor->formFXInfo;
    ASSERT_TRUE(info.isVisible());
    EXPECT_EQ(info.windowTitle(), "Corvid MK3 0008");
    EXPECT_EQ(info.size(), QSize(335, 480));
    const QString text = info.WebBrowser1->toPlainText();
    for (const ParameterInfo& parameter : parameterTable) {
        EXPECT_TRUE(text.contains(parameter.name)) << parameter.name;
    }
    EXPECT_TRUE(text.contains("0 to 24 steps")); // Low Pass, from the table's scale
    EXPECT_FALSE(EffectInfoPage("No_Such_Effect"));
}

// What a program printed, its lines ended as on Linux (Windows ends them CR LF).
std::string Printed(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).remove('\r').toStdString();
}

TEST(CliVersion, PrintsTheVersionAndChecksTheSite) {
    LocalSite site;
    site.body = "1.5";
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CORVID_WEB_BASE", QString::fromStdString(site.Base()));
    cli.setProcessEnvironment(environment);
    cli.start(CORVID_CLI, {"version", "--check"});
    // The site answers from this process's event loop, so keep it running while waiting.
    ASSERT_TRUE(QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(cli.exitCode(), 0);
    EXPECT_EQ(Printed(cli.readAllStandardOutput()),
              "Corvid Editor 1.4.0\nNew version available: 1.5\n");

    site.body = "abc";
    cli.start(CORVID_CLI, {"version", "--check"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(cli.exitCode(), 1); // it could not check
    EXPECT_EQ(Printed(cli.readAllStandardOutput()), "Corvid Editor 1.4.0\n");
    EXPECT_EQ(Printed(cli.readAllStandardError()),
              "corvid-cli: Version check failed: the reply is not a version: \"abc\"\n");
}

} // namespace
} // namespace corvid::testing
