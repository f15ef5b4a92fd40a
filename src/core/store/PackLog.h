#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The pack log "download.qfd": one line "<piece path>:<state>\r\n" per pack that was started
// and accounted for. State "1": complete; state "0": begun but not finished when the download
// was paused or the program closed.
class PackLog final
{
public:
    explicit PackLog(const QString &path);

    // Appends "<piece path>:1\r\n" in a single write, whatever the size of the log. A torn last
    // line (no CR LF, left by a crash during an earlier append) is cut off first.
    bool appendComplete(const QString &piecePath);
    // Why the last append failed: the system's error number (0: unknown).
    int error() const { return m_error; }

    // For each path the log does not mention yet, appends "<path>:0\r\n". Returns the paths that
    // were added. One atomic rewrite.
    QStringList logPartials(const QStringList &piecePaths);

    // Removes every ":0" line. Atomic.
    bool removePartials();

    // Removes every line of these pieces, whatever its state (a piece found missing or short
    // when it is to be joined is fetched again). One atomic rewrite.
    bool forget(const QStringList &piecePaths);

    struct Entries
    {
        QList<qint64> complete; // in log order
        QList<qint64> partial;  // in log order
    };
    // The entries of the log on disk; none when it cannot be read.
    Entries parse() const;
    // Pack numbers are the digits between the last "(" and the following ").qfd:" of each
    // line. A last line without CR LF (a torn append) is ignored, and so is any line that is
    // not in the format.
    static Entries parseText(const QByteArray &text);

    QString path() const { return m_path; }

private:
    QString m_path;
    int m_error = 0;
};
