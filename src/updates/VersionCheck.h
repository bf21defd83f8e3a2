#pragma once

#include "base/Services.h"
#include "preferences/Settings.h"

#include <QObject>
#include <QVersionNumber>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QNetworkAccessManager;
class QNetworkReply;

namespace corvid {

// This editor's version: major and minor of the build's version number ("1.4").
std::string GetEditorVersion();
// The release in full, as the programs' --version and the package give it ("1.4.0").
std::string ReleaseVersion();
// The maker's web site: the build's setting, or CORVID_WEB_BASE when it is set.
std::string WebBase();
// The address of the maker's contact page.
std::string ContactAddress(const std::string& webBase);

// The body of the version endpoint's reply as a version: blanks and line breaks trimmed, then a
// dotted number of at most 32 bytes. Nullopt with the reason otherwise.
std::optional<QVersionNumber> ParseVersionBody(const QByteArray& body, std::string& reason);

// What the main window shows of the check.
class UpdateView {
public:
    virtual ~UpdateView() = default;
    virtual void SetNewVersionText(const std::string& text) = 0;
    // The notice window, not modal, centred on the main window.
    virtual void ShowNewVersionNotice() = 0;
};

// The check for a newer editor: one GET of the version endpoint about a second after start-up,
// asynchronous, given up after 10 s. Only https is used (plain http for a loopback host, which
// the tests run), with the platform's certificate checks, and no redirect to another scheme.
class VersionCheck : public QObject {
    Q_OBJECT
public:
    static constexpr int kStartDelayMs = 1000;
    static constexpr int kTimeoutMs = 10000;
    static constexpr qsizetype kMaxBodyBytes = 32;
    inline static const std::string kEndpointPath = "/download/corvid-editor-version.php";
    inline static const std::string kMenuText = "New version available:";

    // An empty webBase means no check at all (tests that are not about it).
    // `settings` says, when the answer comes, whether a newer version is announced with the notice.
    VersionCheck(std::string webBase, const Settings& settings, Log& log, Dialogs& dialogs,
                 Clock& clock, UpdateView& view);
    ~VersionCheck() override;

    // Arms TimerCheckWebVersion: the check starts a second later.
    void Start();
    // The timer's handler: sends the request (once).
    void checkmostrecentversiononwebsite();
    // Runs `done` when the check has ended, whatever the outcome (the command line waits on it).
    void OnFinished(std::function<void()> done) { finished_ = std::move(done); }

    // How a check ended.
    enum class Outcome { Pending, Newer, NotNewer, Failed };

    std::string editorVersion;
    std::string webVersion;
    bool finished = false;
    Outcome outcome = Outcome::Pending;
    // Why a failed check failed ("status 404 Not Found", "no answer within 10 s").
    std::string failure;

private:
    void WebRequestCompleted();
    void Fail(const std::string& reason);
    void Finish();

    std::string webBase_;
    Log& log_;
    Dialogs& dialogs_;
    Clock& clock_;
    UpdateView& view_;
    const Settings& settings_;
    std::unique_ptr<ClockTimer> TimerCheckWebVersion;
    std::unique_ptr<ClockTimer> timeout_;
    std::unique_ptr<QNetworkAccessManager> network_;
    QNetworkReply* reply_ = nullptr;
    std::function<void()> finished_;
};

} // namespace corvid
