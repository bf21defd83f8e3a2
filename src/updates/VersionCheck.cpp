#include "updates/VersionCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QUrl>

namespace corvid {

std::string GetEditorVersion() {
    return CORVID_EDITOR_VERSION;
}

std::string ReleaseVersion() {
    return CORVID_RELEASE;
}

std::string WebBase() {
    const QByteArray overridden = qgetenv("CORVID_WEB_BASE");
    std::string base =
        overridden.isEmpty() ? std::string(CORVID_WEB_BASE) : overridden.toStdString();
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base;
}

std::string ContactAddress(const std::string& webBase) {
    return webBase + "/contact-us/";
}

std::optional<QVersionNumber> ParseVersionBody(const QByteArray& body, std::string& reason) {
    // The whole body counts: a version padded or followed by more is not what the site sends.
    if (body.size() > VersionCheck::kMaxBodyBytes) {
        reason = "the reply is over " + std::to_string(VersionCheck::kMaxBodyBytes) +
                 " bytes, not a version";
        return std::nullopt;
    }
    const QByteArray text = body.trimmed();
    // Fields of at most nine digits: each must fit the version type's integers.
    static const QRegularExpression dotted(R"(^\d{1,9}(\.\d{1,9})*$)");
    if (!dotted.match(QString::fromLatin1(text)).hasMatch()) {
        reason = text.isEmpty() ? "the reply is empty"
                                : "the reply is not a version: \"" + text.toStdString() + "\"";
        return std::nullopt;
    }
    return QVersionNumber::fromString(QString::fromLatin1(text));
}

VersionCheck::VersionCheck(std::string webBase, const Settings& settings, Log& log,
                           Dialogs& dialogs, Clock& clock, UpdateView& view)
    : editorVersion(GetEditorVersion()), webBase_(std::move(webBase)), log_(log), dialogs_(dialogs),
      clock_(clock), view_(view), settings_(settings) {}

VersionCheck::~VersionCheck() {
    if (reply_ != nullptr) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

void VersionCheck::Start() {
    if (webBase_.empty()) {
        return;
    }
    TimerCheckWebVersion =
        clock_.CreateTimer(kStartDelayMs, [this] { checkmostrecentversiononwebsite(); });
    TimerCheckWebVersion->Start();
}

void VersionCheck::checkmostrecentversiononwebsite() {
    if (TimerCheckWebVersion) {
        TimerCheckWebVersion->Stop();
    }
    if (reply_ != nullptr || finished) {
        return;
    }
    const QUrl url(QString::fromStdString(webBase_ + kEndpointPath));
    const bool loopback = url.host() == "127.0.0.1" || url.host() == "localhost";
    if (url.scheme() != "https" && !(url.scheme() == "http" && loopback)) {
        Fail("the address is not https: " + webBase_);
        return;
    }
    network_ = std::make_unique<QNetworkAccessManager>();
    QNetworkRequest request(url);
    // Never from https down to http, nor to another site's scheme.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::finished, this, [this] { WebRequestCompleted(); });
    timeout_ = clock_.CreateTimer(kTimeoutMs, [this] {
        if (reply_ != nullptr) {
            reply_->setProperty("timedOut", true);
            reply_->abort();
        }
    });
    timeout_->Start();
}

void VersionCheck::WebRequestCompleted() {
    QNetworkReply* reply = std::exchange(reply_, nullptr);
    reply->deleteLater();
    timeout_->Stop();
    if (reply->property("timedOut").toBool()) {
        Fail("no answer within " + std::to_string(kTimeoutMs / 1000) + " s");
        return;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        Fail(reply->errorString().toStdString());
        return;
    }
    if (status.toInt() != 200) {
        std::string text =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toStdString();
        // HTTP/2 has no reason phrases: the code says it.
        if (text.empty()) {
            text = std::to_string(status.toInt());
        }
        dialogs_.ShowMessage("Error: " + text);
        log_.PrintToConsole("wew");
        outcome = Outcome::Failed;
        failure = "status " + std::to_string(status.toInt()) + " " + text;
        Finish();
        return;
    }
    std::string reason;
    // One byte more than a version may take is enough to tell the body is too long.
    const QByteArray body = reply->read(kMaxBodyBytes + 1);
    const std::optional<QVersionNumber> newest = ParseVersionBody(body, reason);
    if (!newest) {
        Fail(reason);
        return;
    }
    webVersion = body.trimmed().toStdString();
    // Trailing zeros say nothing: 1.4.0 is 1.4.
    if (newest->normalized() >
        QVersionNumber::fromString(QString::fromStdString(editorVersion)).normalized()) {
        view_.SetNewVersionText(kMenuText + " " + webVersion);
        outcome = Outcome::Newer;
        if (settings_.showUpdateMessage) {
            view_.ShowNewVersionNotice();
        }
    } else {
        view_.SetNewVersionText("No update available");
        outcome = Outcome::NotNewer;
    }
    Finish();
}

void VersionCheck::Fail(const std::string& reason) {
    log_.PrintToConsole("Version check failed: " + reason);
    outcome = Outcome::Failed;
    failure = reason;
    Finish();
}

void VersionCheck::Finish() {
    finished = true;
    if (finished_) {
        finished_();
    }
}

} // namespace corvid
