#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class Download;
class RetryCountdown;
struct JoinFault;
struct ServerRefusal;
struct ServerValidators;

// How the run answers the faults of its download, and what the user is told of a failure. A
// lost network, or a server that sends nothing, pauses the download and says so once for every
// slot that meets it together; a file that cannot be written or joined pauses it and names the
// file; any other connection error pauses it until RetryCountdown resumes it; after a server
// error or an answer without data the slot asks again while the count-down runs. What retrying
// does not mend (a certificate that does not verify, a server that keeps refusing, a proxy that
// cannot be reached or refuses) is never retried on its own: the download pauses and says why,
// and "Resume" tries again. A change of the server's file starts the project again from zero,
// once until the user resumes: servers whose nodes give different validators change them all
// the time, and starting again would only start again.
class FaultResponse final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FaultResponse)

public:
    explicit FaultResponse(RetryCountdown &retry, QObject *parent = nullptr);

    // The faults of the project's download are answered from now on.
    void follow(Download &download, const QString &project);
    // The next lost connection is told again (a new run, or the download resumed).
    void rearm() { m_alertShown = false; }
    // The user resumed: a change of the server's file starts the project again once more.
    void userResumed() { m_changedProject.clear(); }

    // Pause the running download and say why.
    void pauseWithMessage(const QString &text);
    void joinFailed(const JoinFault &fault);
    // Why a file or folder could not be used; systemError: why, as the system said (errno), 0
    // when unknown.
    static QString readFailed(const QString &path);
    static QString folderFailed(const QString &path);
    static QString writeFailed(const QString &path, int systemError = 0);
    // The project started again from zero for a change of the server's file.
    void restarted(const QString &project);
    void tell(const QString &text);

signals:
    // The running download is to pause now.
    void pauseNeeded();
    // Nothing comes through: the download has paused and waits for the user (the message
    // follows).
    void connectionLost();
    void messageRequested(const QString &text, const QString &title);
    // The server's file changed: the project is to start again with this size and validators.
    void restartNeeded(qint64 size, const ServerValidators &validators);

private:
    bool isRunning() const;
    void onWriteFailed(const QString &path, int systemError);
    void onConnectionLost();
    void onConnectionFailed();
    void onServerBusy(int waitMs);
    void onNothingReceived(int waitMs);
    void onRefusedForGood(const ServerRefusal &refusal);
    void onFileChanged(qint64 size, const ServerValidators &validators);

    RetryCountdown &m_retry;
    QPointer<Download> m_download;
    QString m_project;
    bool m_alertShown = false;
    // The project that started again for a change on the server since the user last resumed.
    QString m_changedProject;
};
