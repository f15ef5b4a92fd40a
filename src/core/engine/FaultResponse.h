#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class Download;
class RetryCountdown;
struct JoinFault;
struct ServerRefusal;

// How the run answers the faults of its download, and what the user is told of a failure. A
// lost network, or a server that sends nothing, pauses the download and says so once for every
// slot that meets it together; a file that cannot be written or joined pauses it and names the
// file; any other connection error pauses it until RetryCountdown resumes it; after a server
// error or an answer without data the slot asks again while the count-down runs. What retrying
// does not mend (a certificate that does not verify, a server that keeps refusing) is never
// retried on its own: the download pauses and says why, and "Resume" tries again.
class FaultResponse final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FaultResponse)

public:
    explicit FaultResponse(RetryCountdown &retry, QObject *parent = nullptr);

    // The faults of this download are answered from now on.
    void follow(Download &download);
    // The next lost connection is told again (a new run, or the user resumed).
    void rearm() { m_alertShown = false; }

    // Pause the running download and say why.
    void pauseWithMessage(const QString &text);
    void joinFailed(const JoinFault &fault);
    // Say why a file or folder could not be used; systemError: why, as the system said (errno),
    // 0 when unknown.
    void readFailed(const QString &path);
    void folderFailed(const QString &path);
    void writeFailed(const QString &path, int systemError = 0);

signals:
    // The running download is to pause now.
    void pauseNeeded();
    // Nothing comes through: the download has paused and waits for the user (the message
    // follows).
    void connectionLost();
    void messageRequested(const QString &text, const QString &title);

private:
    bool isRunning() const;
    void onWriteFailed(const QString &path, int systemError);
    void onConnectionLost();
    void onConnectionFailed();
    void onServerBusy(int waitMs);
    void onNothingReceived(int waitMs);
    void onRefusedForGood(const ServerRefusal &refusal);
    void tell(const QString &text);

    RetryCountdown &m_retry;
    QPointer<Download> m_download;
    bool m_alertShown = false;
};
