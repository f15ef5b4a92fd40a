#pragma once

#include <QList>
#include <QString>

#include <utility>

// What the exit code of quillfetch-cli tells a script, and how the help says it.
namespace ExitStatus {

inline constexpr int Complete = 0; // and verified, where a digest was known
inline constexpr int Failed = 1;
inline constexpr int Usage = 2;
inline constexpr int ConnectionLost = 3; // recorded: running again resumes
inline constexpr int VerificationFailed = 4;
inline constexpr int Interrupted = 130; // SIGINT or SIGTERM; recorded: running again resumes

inline QList<std::pair<int, QString>> meanings()
{
    return {
        {Complete, QStringLiteral("done: every project is complete, and verified where it has a "
                                  "checksum")},
        {Failed, QStringLiteral("a project failed (refused, not found, changed beyond repair, a "
                                "file that cannot be written), or NAME names no project")},
        {Usage, QStringLiteral("usage error: unknown command or option, or a checksum that is "
                               "none")},
        {ConnectionLost, QStringLiteral("the connection was lost: the download is recorded and "
                                        "running again resumes it")},
        {VerificationFailed, QStringLiteral("a file failed verification: it is kept as "
                                            "<file name>.corrupt")},
        {Interrupted, QStringLiteral("stopped by Ctrl-C or SIGTERM: the download is recorded and "
                                     "running again resumes it")},
    };
}

} // namespace ExitStatus
