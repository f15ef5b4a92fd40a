#include "probe/Probe.h"

#include "options/Settings.h"
#include "store/Netrc.h"
#include "store/ProjectNaming.h"
#include "store/ProjectPaths.h"
#include "store/ProjectStore.h"
#include "wire/Connector.h"
#include "wire/FtpCommands.h"
#include "wire/HttpRequest.h"
#include "wire/TlsTrust.h"
#include "wire/Url.h"

#include <QDir>
#include <QFileInfo>
#include <QTime>

namespace {

const QString TestingCaption = QStringLiteral("Testing URL...");
const QString IdleCaption = QStringLiteral("Nothing to do");
const QString ErrorTitle = QStringLiteral("Error");
const QString LoginTitle = QStringLiteral("Login");
constexpr int Unauthorized = 401;

const QString NoAnswerText = QStringLiteral("Unable to connect to website !\r\n");
const QString DowngradeText =
    QStringLiteral("The server redirects to an address without TLS: a download asked for over "
                   "https never leaves it !");
const QString NotAFileText = QStringLiteral("File not found or the URL don't point on a file !");
const QString HttpUnusableText =
    QStringLiteral("Unable to use the high speed download method on this server !");
const QString FtpUnusableText = QStringLiteral(
    "Unable to use the high speed download method on this server or file not found !");

// The cause goes between the error and the advice.
QString connectErrorText(const QString &cause)
{
    return QStringLiteral("An error occured while connecting to website !\r\n") + cause +
           QStringLiteral("\r\nPlease check your Internet connection or retry later !");
}

QString loginText(const QString &server, bool refused)
{
    return QStringLiteral("The server ") + server +
           (refused ? QStringLiteral(" refused the user name and password.")
                    : QStringLiteral(" asks for a user name and a password."));
}

QString errorStatusText(int status)
{
    return QStringLiteral("The server answered with the error ") + QString::number(status) +
           QStringLiteral(" instead of the file !");
}

} // namespace

Probe::Probe(const ProjectStore &store, const Settings &settings, const Intervals &intervals,
             QObject *parent)
    : QObject(parent), m_store(store), m_settings(settings), m_connector(new Connector(Winsock)),
      m_digestWaitMs(intervals.digestWaitMs)
{
    Timer_Timeout.setSingleShot(true);
    Timer_Timeout.setInterval(intervals.timeoutMs);
    Timer_Test_FTP.setSingleShot(true);
    Timer_Test_FTP.setInterval(intervals.ftpSizeMs);
    connect(&Timer_Timeout, &QTimer::timeout, this, &Probe::Timer_Timeout_Tick);
    connect(&Timer_Test_FTP, &QTimer::timeout, this, &Probe::Timer_Test_FTP_Tick);
    connect(m_connector, &Connector::ready, this, &Probe::onConnected);
    connect(m_connector, &Connector::refused, this, &Probe::onProxyRefused);
    connect(&Winsock, &QSslSocket::sslErrors, this, &Probe::onSslErrors);
    connect(&Winsock, &QSslSocket::readyRead, this, &Probe::onReadyRead);
    connect(&Winsock, &QSslSocket::errorOccurred, this, &Probe::onErrorOccurred);
    connect(&m_digests, &DigestSearch::found, this, &Probe::digestFound);
}

void Probe::start(const QString &urlText, const BrowserHeaders &browser)
{
    if (m_phase != Phase::Idle) {
        m_waiting.append({urlText, browser});
        return;
    }
    m_redirects = 0;
    m_browser = browser;
    m_login = {};
    m_loginSource = LoginSource::None;
    begin(urlText);
}

void Probe::logIn(const Login &login, bool remember)
{
    if (m_phase != Phase::AwaitingLogin)
        return;
    m_login = login;
    m_loginSource = remember ? LoginSource::Box : LoginSource::BoxThisRun;
    begin(m_urlText);
}

void Probe::abandonLogin()
{
    if (m_phase != Phase::AwaitingLogin)
        return;
    finish(Phase::Idle);
    startNextLater();
}

void Probe::resultHandled()
{
    if (m_phase != Phase::AwaitingOwner)
        return;
    m_phase = Phase::Idle;
    startNextLater();
}

void Probe::begin(const QString &urlText)
{
    m_phase = Phase::Probing;
    emit statusChanged(TestingCaption);
    emit inputEnabledChanged(false);

    m_urlText = urlText;
    const UrlReading reading = Extract_URL(urlText);
    if (!reading.url) {
        fail(reading.refusal);
        return;
    }
    m_url = *reading.url;
    // The scheme stays for HTTPS, so that the project is fetched (and resumed) over TLS too.
    emit urlTextChanged(m_url.text);

    m_dataSeen = false;
    m_answer.clear();
    m_replies.clear();
    m_sslErrors.clear();
    m_ftpSize.reset();
    m_ftpTimeAnswered = false;
    m_ftpTime.clear();

    if (!m_url.server) {
        fail(connectErrorText(m_url.hostHeader.isEmpty()
                                  ? QStringLiteral("The URL names no server.")
                                  : QStringLiteral("The address ") + m_url.hostHeader +
                                        QStringLiteral(" is not valid.")));
        return;
    }
    if (!chooseLogin())
        return;
    m_route = chooseRoute(m_settings.proxy(), m_url);
    if (!m_route.refusal.isEmpty()) {
        fail(m_route.refusal);
        return;
    }
    Timer_Timeout.start();
    if (m_seeksDigest)
        m_digests.start(m_url, tlsConfiguration(m_settings.testCaFile()), m_route,
                        {m_login, m_browser});
    if (m_url.isTls())
        Winsock.setSslConfiguration(tlsConfiguration(m_settings.testCaFile()));
    m_connector->open(*m_url.server, m_route, m_url.isTls());
}

// A login given in the box stays while the probe goes on; one of the URL stays through
// redirects to the same server whose locations write none. False when ~/.netrc's login may not be
// used (the probe has failed).
bool Probe::chooseLogin()
{
    if (m_loginSource == LoginSource::Box || m_loginSource == LoginSource::BoxThisRun)
        return true;
    if (!m_url.login.isEmpty()) {
        m_login = m_url.login;
        m_loginSource = LoginSource::Url;
        return true;
    }
    if (m_loginSource == LoginSource::Url)
        return true;
    const Netrc::Lookup netrc = Netrc::lookUp(m_url.server->host, m_url.isFtp());
    if (!netrc.refusal.isEmpty()) {
        fail(netrc.refusal);
        return false;
    }
    m_login = netrc.login;
    m_loginSource = m_login.isEmpty() ? LoginSource::None : LoginSource::Netrc;
    return true;
}

// The probe waits, its input still held, until the owner answers.
void Probe::askLogin()
{
    m_phase = Phase::AwaitingLogin;
    Timer_Timeout.stop();
    m_digests.stop();
    Winsock.abort();
    emit loginRequested(loginText(m_url.hostHeader, !m_login.isEmpty()), LoginTitle, m_login.user);
}

void Probe::onConnected()
{
    if (m_phase != Phase::Probing)
        return;
    if (m_url.isFtp()) {
        Timer_Test_FTP.start();
        Winsock.write(FtpCommands::probeBurst(m_url.path, m_login));
    } else {
        Winsock.write(HttpRequest::probeText(m_url.hostHeader, m_url.path, {m_login, m_browser},
                                             m_route.forwarding()));
        m_asked.start();
    }
}

void Probe::onSslErrors(const QList<QSslError> &errors)
{
    m_sslErrors = errors;
}

void Probe::onReadyRead()
{
    if (!m_connector->isReady())
        return;
    const QByteArray chunk = Winsock.readAll();
    if (m_phase != Phase::Probing || chunk.isEmpty())
        return;
    // An HTTP header must arrive whole within the time-out, however slowly it trickles in.
    if (!m_dataSeen) {
        m_dataSeen = true;
        if (m_url.isFtp())
            Timer_Timeout.stop();
    }
    if (m_url.isFtp())
        takeFtpData(chunk);
    else
        takeHttpData(chunk);
}

void Probe::takeHttpData(const QByteArray &chunk)
{
    m_answer.append(chunk);
    switch (m_answer.state()) {
    case HttpAnswer::State::Incomplete:
        break;
    case HttpAnswer::State::TooLarge:
        fail(HttpUnusableText);
        break;
    case HttpAnswer::State::Complete:
        decideHttp();
        break;
    }
}

void Probe::decideHttp()
{
    if (m_route.way == ProxyRoute::Way::Forward && m_answer.statusCode() == ProxyLoginWanted) {
        onProxyRefused(proxyRefusalText(m_route.proxy, ProxyLoginWanted, *m_url.server));
        return;
    }
    const HttpVerdict verdict = judgeHttpAnswer(m_answer, m_settings.packSize());
    switch (verdict.kind) {
    case HttpVerdict::Kind::File:
        fileFound(verdict);
        break;
    case HttpVerdict::Kind::Redirect:
        followRedirect(verdict.location);
        break;
    case HttpVerdict::Kind::NotAFile:
        fail(NotAFileText);
        break;
    case HttpVerdict::Kind::ErrorStatus:
        if (verdict.status == Unauthorized)
            askLogin();
        else
            fail(errorStatusText(verdict.status));
        break;
    case HttpVerdict::Kind::Unusable:
        fail(HttpUnusableText);
        break;
    }
}

// The answer's own digest serves at once; otherwise the digest files beside the file have a last
// chance to answer.
void Probe::fileFound(const HttpVerdict &verdict)
{
    const std::optional<Checksum> stated = m_seeksDigest ? m_answer.digest() : std::nullopt;
    if (stated || !m_seeksDigest) {
        succeed(verdict.size, verdict.rangeSupported, m_answer.validators(), stated);
        return;
    }
    m_found = verdict;
    m_phase = Phase::AwaitingDigest;
    Timer_Timeout.stop();
    Winsock.abort();
    m_digests.finishWithin(qMax(int(m_asked.elapsed()), m_digestWaitMs));
}

void Probe::digestFound(const std::optional<Checksum> &checksum)
{
    if (m_phase == Phase::AwaitingDigest)
        succeed(m_found.size, m_found.rangeSupported, m_answer.validators(), checksum);
}

void Probe::followRedirect(const QByteArray &location)
{
    const std::optional<Redirect> next = redirectTarget(m_url, location);
    if (m_redirects >= MaxRedirects || !next) {
        fail(HttpUnusableText);
        return;
    }
    // A file asked for over TLS is never fetched over a weaker scheme.
    if (m_url.isTls() && !next->https) {
        fail(DowngradeText);
        return;
    }
    const std::optional<Url> target = Extract_URL(next->text).url;
    if (!target || !isSameOrigin(m_url, *target)) {
        m_login = {};
        m_loginSource = LoginSource::None;
        m_browser.cookie.clear();
    }
    ++m_redirects;
    Timer_Timeout.stop();
    Winsock.abort();
    QMetaObject::invokeMethod(
        this, [this, text = next->text] { begin(text); }, Qt::QueuedConnection);
}

// The replies come in the order of the burst. Until the size is known any refusal ends the
// probe; after it, one reply answers MDTM (a refusal: the server keeps no time) and the next
// answers REST (a refusal: no range support, so the file must fit in one pack).
void Probe::takeFtpData(const QByteArray &chunk)
{
    for (const FtpReply &reply : m_replies.append(chunk)) {
        if (!m_ftpSize) {
            if (reply.code == FtpCommands::FileStatus)
                m_ftpSize = ftpSizeFromReplyText(reply.text);
            if (reply.isNegative() || (reply.code == FtpCommands::FileStatus && !m_ftpSize)) {
                fail(FtpUnusableText);
                return;
            }
        } else if (!m_ftpTimeAnswered) {
            m_ftpTimeAnswered = true;
            if (reply.code == FtpCommands::FileStatus)
                m_ftpTime = reply.text.trimmed();
        } else {
            decideFtp(reply.code == FtpCommands::RestAccepted);
            return;
        }
    }
}

void Probe::decideFtp(bool restAccepted)
{
    if (!restAccepted && *m_ftpSize > m_settings.packSize())
        fail(FtpUnusableText);
    else
        succeed(*m_ftpSize, restAccepted, {QByteArray(), m_ftpTime});
}

void Probe::onErrorOccurred(QAbstractSocket::SocketError error)
{
    if (m_phase != Phase::Probing)
        return;
    if (const std::optional<QString> cause = m_connector->proxyFault(error))
        fail(connectErrorText(*cause));
    else if (error == QAbstractSocket::RemoteHostClosedError)
        judgePeerClose();
    else if (error == QAbstractSocket::SslHandshakeFailedError)
        fail(tlsRefusedText(m_url.hostHeader, m_sslErrors, Winsock.errorString()));
    else
        fail(connectErrorText(connectCause(error)));
}

void Probe::onProxyRefused(const QString &text)
{
    if (m_phase == Phase::Probing)
        fail(connectErrorText(text));
}

// What the system said, in words of our own where the cause is a common one.
QString Probe::connectCause(QAbstractSocket::SocketError error) const
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return m_url.hostHeader + QStringLiteral(" refused the connection.");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("The host ") + m_url.hostHeader + QStringLiteral(" was not found.");
    case QAbstractSocket::SocketTimeoutError:
        return m_url.hostHeader + QStringLiteral(" did not answer in time.");
    default:
        return Winsock.errorString();
    }
}

void Probe::judgePeerClose()
{
    if (Winsock.bytesAvailable() > 0)
        onReadyRead();
    if (m_phase != Phase::Probing)
        return;
    if (!m_dataSeen)
        fail(NoAnswerText + m_url.text);
    else
        fail(m_url.isFtp() ? NotAFileText : HttpUnusableText);
}

void Probe::Timer_Timeout_Tick()
{
    if (m_phase != Phase::Probing)
        return;
    fail(NoAnswerText + m_url.text);
}

void Probe::Timer_Test_FTP_Tick()
{
    if (m_phase == Phase::Probing)
        fail(NotAFileText);
}

void Probe::succeed(qint64 size, bool rangeSupported, const ServerValidators &validators,
                    const std::optional<Checksum> &checksum)
{
    ProbeResult result;
    result.url = m_url.text;
    result.size = size;
    // The name also names the receive folder, the joined file and the finished file in the
    // download folder, where nothing of the user's may carry any of them.
    const QString folder = m_settings.filePath();
    const auto exists = [](const QString &path) {
        const QFileInfo entry(QDir::cleanPath(path));
        return entry.exists() || entry.isSymLink();
    };
    result.serverFileName = m_answer.fileName().value_or(QString()); // HTTP only
    const QString fileName =
        result.serverFileName.isEmpty() ? m_url.fileName : result.serverFileName;
    result.projectName =
        chooseProjectName(fileName, QTime::currentTime(), [&](const QString &name) {
            return m_store.projectFolderExists(name) ||
                   exists(ProjectPaths::receiveFolder(folder, name)) ||
                   exists(ProjectPaths::joinedFilePath(folder, name)) ||
                   exists(ProjectPaths::finalFilePath(folder, finalFileName(fileName, name)));
        });
    result.isFtp = m_url.isFtp();
    result.rangeSupported = rangeSupported;
    result.validators = validators;
    result.checksum = checksum;
    result.access = accessToKeep();
    if (m_loginSource == LoginSource::BoxThisRun)
        result.loginThisRun = m_login;
    finish(Phase::AwaitingOwner);
    emit succeeded(result);
}

ProjectAccess Probe::accessToKeep() const
{
    const bool kept = m_loginSource == LoginSource::Url || m_loginSource == LoginSource::Box;
    return {kept ? m_login : Login(), m_browser};
}

void Probe::fail(const QString &text)
{
    finish(Phase::Idle);
    emit failed(text, ErrorTitle);
    startNextLater();
}

void Probe::finish(Phase next)
{
    // The phase changes first: a socket signal raised while closing finds the probe over.
    m_phase = next;
    Timer_Timeout.stop();
    Timer_Test_FTP.stop();
    m_digests.stop();
    if (m_url.isFtp() && m_connector->isReady() &&
        Winsock.state() == QAbstractSocket::ConnectedState) {
        Winsock.write(FtpCommands::QuitText.data(), FtpCommands::QuitText.size());
        Winsock.flush();
    }
    Winsock.abort();
    emit inputEnabledChanged(true);
    emit statusChanged(IdleCaption);
}

void Probe::startNextLater()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_phase == Phase::Idle && !m_waiting.isEmpty()) {
                const Waiting next = m_waiting.takeFirst();
                start(next.urlText, next.browser);
            }
        },
        Qt::QueuedConnection);
}
