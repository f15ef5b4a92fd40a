#include "SocksServer.h"

#include "ChildProcess.h"
#include "TestFiles.h"
#include "TestHosts.h"

#include <QRegularExpression>

SocksServer::SocksServer()
{
    m_process.setStandardErrorFile(logPath(), QIODevice::Append);
    m_process.setProcessEnvironment(TestHosts::environment());
    ChildProcess::dieWithParent(m_process);
}

SocksServer::~SocksServer()
{
    ChildProcess::stop(m_process);
}

// Another program may take the free port we found before microsocks binds it: then we try
// another.
bool SocksServer::start()
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = ChildProcess::freePort();
        if (launch())
            return true;
    }
    return false;
}

bool SocksServer::launch()
{
    m_process.start("/usr/bin/microsocks", {"-i", "127.0.0.1", "-p", QString::number(m_port)});
    if (ChildProcess::waitUntilListening(m_process, QHostAddress::LocalHost, m_port))
        return true;
    ChildProcess::stop(m_process);
    m_error = "microsocks did not come up: " + m_process.errorString() + ' ' +
              TestFiles::readFile(logPath());
    return false;
}

// microsocks writes "client[5] 127.0.0.1: connected to localhost:8080" on its error output.
QStringList SocksServer::connections() const
{
    static const QRegularExpression connected(": connected to (\\S+)\\n");
    const QString log = QString::fromUtf8(TestFiles::readFile(logPath()));
    QStringList targets;
    for (auto match = connected.globalMatch(log); match.hasNext();)
        targets << match.next().captured(1);
    return targets;
}
