#include "engine/FaultResponse.h"

#include "engine/Download.h"
#include "engine/JoinFault.h"
#include "engine/RetryCountdown.h"
#include "store/WriteCause.h"
#include "wire/ServerRefusal.h"

namespace {

// A login given for one run only is gone after a restart, and a password may change.
const QString LoginRefusedText = QStringLiteral(
    "The server asks for a user name and a password, or refused the ones given: the download is "
    "paused. Add the URL again to give them.");

} // namespace

FaultResponse::FaultResponse(RetryCountdown &retry, QObject *parent)
    : QObject(parent), m_retry(retry)
{}

void FaultResponse::follow(Download &download, const QString &project)
{
    m_download = &download;
    m_project = project;
    connect(&download, &Download::writeFailed, this, &FaultResponse::onWriteFailed);
    connect(&download, &Download::connectionLost, this, &FaultResponse::onConnectionLost);
    connect(&download, &Download::connectionFailed, this, &FaultResponse::onConnectionFailed);
    connect(&download, &Download::certificateRefused, this, &FaultResponse::pauseWithMessage);
    connect(&download, &Download::proxyRefused, this, &FaultResponse::pauseWithMessage);
    connect(&download, &Download::refusedForGood, this, &FaultResponse::onRefusedForGood);
    connect(&download, &Download::serverBusy, this, &FaultResponse::onServerBusy);
    connect(&download, &Download::waitingForData, this, &FaultResponse::onNothingReceived);
    connect(&download, &Download::fileChanged, this, &FaultResponse::onFileChanged);
}

void FaultResponse::pauseWithMessage(const QString &text)
{
    if (!isRunning())
        return;
    emit pauseNeeded();
    tell(text);
}

void FaultResponse::joinFailed(const JoinFault &fault)
{
    emit pauseNeeded();
    switch (fault.kind) {
    case JoinFault::Kind::Read:
        tell(readFailed(fault.path));
        break;
    case JoinFault::Kind::Create:
        tell(QStringLiteral("Unable to create the file ") + fault.path + QStringLiteral(" !"));
        break;
    case JoinFault::Kind::Write:
        tell(writeFailed(fault.path));
        break;
    }
}

QString FaultResponse::readFailed(const QString &path)
{
    return QStringLiteral("Unable to read the file ") + path + QStringLiteral(" !");
}

QString FaultResponse::folderFailed(const QString &path)
{
    return QStringLiteral("Unable to create the folder ") + path + QStringLiteral(" !");
}

// The cause, when known, goes on a line of its own.
QString FaultResponse::writeFailed(const QString &path, int systemError)
{
    const QString cause = writeCauseText(systemError);
    return QStringLiteral("Unable to write the file ") + path + QStringLiteral(" !") +
           (cause.isEmpty() ? QString() : QStringLiteral("\r\n") + cause);
}

void FaultResponse::restarted(const QString &project)
{
    emit messageRequested(QStringLiteral("The file of the project ") + project +
                              QStringLiteral(" has changed on the server: its download starts "
                                             "again from zero."),
                          QStringLiteral("Quillfetch"));
}

void FaultResponse::tell(const QString &text)
{
    emit messageRequested(text, QStringLiteral("Error"));
}

bool FaultResponse::isRunning() const
{
    return m_download && !m_download->isPaused();
}

// A piece or the pack log cannot be written: the download pauses until the user resumes it.
void FaultResponse::onWriteFailed(const QString &path, int systemError)
{
    if (!isRunning())
        return;
    emit pauseNeeded();
    tell(writeFailed(path, systemError));
}

void FaultResponse::onConnectionLost()
{
    if (m_alertShown)
        return;
    m_alertShown = true;
    emit pauseNeeded();
    emit connectionLost();
    tell(QStringLiteral("Please check your Internet connection and then click on the resume "
                        "button !"));
}

void FaultResponse::onConnectionFailed()
{
    if (!isRunning())
        return;
    emit pauseNeeded();
    m_retry.scheduleResume();
}

void FaultResponse::onServerBusy(int waitMs)
{
    if (isRunning())
        m_retry.announce(RetryCause::ServerBusy, waitMs);
}

void FaultResponse::onNothingReceived(int waitMs)
{
    if (isRunning())
        m_retry.announce(RetryCause::NoDataFromServer, waitMs);
}

// A server that sends nothing waits for the user as a lost connection does.
void FaultResponse::onRefusedForGood(const ServerRefusal &refusal)
{
    if (refusal.kind == ServerRefusal::Kind::NoData) {
        if (isRunning())
            emit connectionLost();
        pauseWithMessage(
            QStringLiteral("The server is reachable but sends no data: the download is paused."));
        return;
    }
    if (refusal.meansLoginRefused()) {
        pauseWithMessage(LoginRefusedText);
        return;
    }
    pauseWithMessage(
        refusal.meansNotAFile()
            ? QStringLiteral("File not found or the URL don't point on a file !")
            : QStringLiteral("Unable to use the high speed download method on this server !"));
}

// Nothing fetched so far may be joined with the server's new file.
void FaultResponse::onFileChanged(qint64 size, const ServerValidators &validators)
{
    if (m_project == m_changedProject) {
        pauseWithMessage(QStringLiteral("The file of the project ") + m_project +
                         QStringLiteral(" has changed on the server again: its download is "
                                        "paused."));
        return;
    }
    m_changedProject = m_project;
    emit restartNeeded(size, validators);
}
