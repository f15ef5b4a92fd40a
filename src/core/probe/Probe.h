#pragma once

#include "probe/DigestSearch.h"
#include "probe/HttpVerdict.h"
#include "probe/ProbeResult.h"
#include "wire/FtpReplies.h"
#include "wire/HttpAnswer.h"
#include "wire/ProxyChoice.h"
#include "wire/Url.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSslError>
#include <QSslSocket>
#include <QString>
#include <QTimer>

#include <optional>

class Connector;
class ProjectStore;
class Settings;

// The add handler and its probe: one connection to the server of a typed URL learns whether it
// names a file and how large it is (HTTP: a ranged GET whose answer's header is read; FTP: a
// log-in, SIZE, MDTM and REST, sent in one burst). An "https://" URL is asked over TLS, and a
// certificate that does not verify fails the probe with the host and the reason. The connection
// goes through the proxy the settings and the environment choose for the URL, and a proxy that
// fails it is named. Everything after the connection runs from its events; the outcome is one
// signal, succeeded or failed.
//
// The login is the URL's, else the one given in the login box, else ~/.netrc's for the host
// (FTP without one logs in as anonymous); an HTTP server that answers 401 asks for one, and the
// owner answers through logIn() or abandonLogin(). What the browser handed over with the URL
// goes with every request. A redirect to another server takes neither the login nor the cookies
// along.
//
// An HTTP probe also looks for the file's digest: in the answer's digest fields, else in the
// digest files beside it (DigestSearch), asked while the file itself is. Those still unanswered
// when the file has answered get as long again as its answer took, and at least digestWaitMs.
//
// One probe runs at a time. A URL handed in meanwhile, or while the owner is still dealing with
// a success (the dialog is open), waits and is probed after.
class Probe final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Probe)

public:
    struct Intervals
    {
        int timeoutMs = 20000;  // Timer_Timeout: no answer, or no whole HTTP header
        int ftpSizeMs = 3000;   // Timer_Test_FTP: no size and REST answers after the FTP connection
        int digestWaitMs = 100; // the least wait for the digest files once the file has answered
    };
    static constexpr int MaxRedirects = 10;

    Probe(const ProjectStore &store, const Settings &settings, const Intervals &intervals,
          QObject *parent = nullptr);

    // The add button, Enter in the URL field, and a URL handed over by the browser with what the
    // browser sends with it.
    void start(const QString &urlText, const BrowserHeaders &browser = {});
    // Off: no digest is looked for (the user gives one).
    void setSeeksDigest(bool seeks) { m_seeksDigest = seeks; }
    // The answers to loginRequested(): the probe asks again with this login, kept with the
    // project when `remember` is set and otherwise for this run only; or it ends without a word.
    void logIn(const Login &login, bool remember);
    void abandonLogin();
    // The owner is done with the last success (project created or dropped): the next waiting
    // URL, if any, is probed now.
    void resultHandled();

signals:
    void statusChanged(const QString &caption); // "Testing URL...", then "Nothing to do"
    void inputEnabledChanged(bool enabled);     // the URL field and the add button
    void urlTextChanged(const QString &text);   // the URL field's new text
    void succeeded(const ProbeResult &result);
    void failed(const QString &text, const QString &title);
    // The server wants a login (text: which server, and whether it refused the last one; user:
    // the user name last sent). The probe waits for logIn() or abandonLogin().
    void loginRequested(const QString &text, const QString &title, const QString &user);

private:
    enum class Phase
    {
        Idle,
        Probing,
        AwaitingLogin,
        AwaitingDigest,
        AwaitingOwner
    };
    // Where the login sent comes from; the project keeps one from the URL or the login box.
    enum class LoginSource
    {
        None,
        Url,
        Box,
        BoxThisRun,
        Netrc
    };
    struct Waiting
    {
        QString urlText;
        BrowserHeaders browser;
    };

    void begin(const QString &urlText);
    bool chooseLogin();
    void askLogin();
    ProjectAccess accessToKeep() const;
    void onConnected();
    void onSslErrors(const QList<QSslError> &errors);
    void onReadyRead();
    void onErrorOccurred(QAbstractSocket::SocketError error);
    void onProxyRefused(const QString &text);
    QString connectCause(QAbstractSocket::SocketError error) const;
    void Timer_Timeout_Tick();
    void Timer_Test_FTP_Tick();
    void takeHttpData(const QByteArray &chunk);
    void takeFtpData(const QByteArray &chunk);
    void decideHttp();
    void fileFound(const HttpVerdict &verdict);
    void digestFound(const std::optional<Checksum> &checksum);
    void decideFtp(bool restAccepted);
    void followRedirect(const QByteArray &location);
    void judgePeerClose();
    void succeed(qint64 size, bool rangeSupported, const ServerValidators &validators = {},
                 const std::optional<Checksum> &checksum = std::nullopt);
    void fail(const QString &text);
    void finish(Phase next);
    void startNextLater();

    const ProjectStore &m_store;
    const Settings &m_settings;
    QSslSocket Winsock;     // plain TCP unless the URL is "https://"
    Connector *m_connector; // Winsock's
    QTimer Timer_Timeout;
    QTimer Timer_Test_FTP;
    int m_digestWaitMs;
    DigestSearch m_digests;
    bool m_seeksDigest = true;
    QElapsedTimer m_asked; // since the HTTP request was sent
    HttpVerdict m_found;   // the file, while its digest is looked for
    Phase m_phase = Phase::Idle;
    QList<Waiting> m_waiting;

    QString m_urlText; // as given, for asking again with a login
    Url m_url;         // the URL being probed
    ProxyRoute m_route;
    BrowserHeaders m_browser;
    Login m_login;
    LoginSource m_loginSource = LoginSource::None;
    QList<QSslError> m_sslErrors;
    int m_redirects = 0;

    bool m_dataSeen = false;
    HttpAnswer m_answer;
    FtpReplies m_replies;
    std::optional<qint64> m_ftpSize;
    bool m_ftpTimeAnswered = false;
    QByteArray m_ftpTime; // the MDTM answer; empty when the server keeps no time
};
