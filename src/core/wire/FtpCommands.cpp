#include "wire/FtpCommands.h"

#include "wire/ByteCount.h"

namespace {

QByteArray line(const QByteArray &text)
{
    return text + "\r\n";
}

// A line break inside the path would end RETR early and start a command of its own; a NUL
// would end it early on some servers.
QByteArray oneLine(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    bytes.replace('\r', QByteArray()).replace('\n', QByteArray()).replace('\0', QByteArray());
    return bytes;
}

// The log-in, anonymous unless a login is given, then binary transfers.
QByteArray logIn(const Login &login)
{
    if (login.isEmpty())
        return line("User anonymous") +
               line("Pass " + FtpCommands::AnonymousPassword.toByteArray()) + line("TYPE I");
    return line("User " + oneLine(login.user)) + line("Pass " + oneLine(login.password)) +
           line("TYPE I");
}

std::optional<quint16> portNumber(qint64 value)
{
    if (value < 1 || value > 65535)
        return std::nullopt;
    return quint16(value);
}

// The text between the first "(" and the next ")".
std::optional<QByteArray> bracketed(const QByteArray &text)
{
    const qsizetype open = text.indexOf('(');
    const qsizetype close = text.indexOf(')', open + 1);
    if (open < 0 || close < 0)
        return std::nullopt;
    return text.mid(open + 1, close - open - 1);
}

} // namespace

std::optional<QByteArray> FtpCommands::portCommand(const QHostAddress &address, quint16 port)
{
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (!isIpv4)
        return std::nullopt;
    QByteArray command = "PORT ";
    for (int shift = 24; shift >= 0; shift -= 8)
        command += QByteArray::number((ipv4 >> shift) & 0xff) + ',';
    return command + QByteArray::number(port / 256) + ',' + QByteArray::number(port % 256);
}

QByteArray FtpCommands::passiveCommand(FtpDataMode mode)
{
    return mode == FtpDataMode::Epsv ? QByteArray("EPSV") : QByteArray("PASV");
}

QByteArray FtpCommands::burst(const QByteArray &dataCommand, qint64 restOffset, const QString &path,
                              bool askTime, const Login &login)
{
    const QByteArray file = oneLine(path);
    return logIn(login) + line("SIZE " + file) + (askTime ? line("MDTM " + file) : QByteArray()) +
           line(dataCommand) +
           (restOffset > 0 ? line("REST " + QByteArray::number(restOffset)) : QByteArray()) +
           line("RETR " + file);
}

QByteArray FtpCommands::probeBurst(const QString &path, const Login &login)
{
    const QByteArray file = oneLine(path);
    return logIn(login) + line("SIZE " + file) + line("MDTM " + file) + line("REST 10");
}

std::optional<quint16> FtpCommands::epsvPort(const QByteArray &text)
{
    const std::optional<QByteArray> inside = bracketed(text);
    if (!inside || inside->size() < 5)
        return std::nullopt;
    const char delimiter = inside->at(0);
    const QList<QByteArray> fields = inside->split(delimiter);
    // "|||6446|" splits into "", "", "", "6446", "".
    if (fields.size() != 5 || !fields.at(1).isEmpty() || !fields.at(2).isEmpty())
        return std::nullopt;
    const std::optional<qint64> port = parseByteCount(fields.at(3));
    return port ? portNumber(*port) : std::nullopt;
}

std::optional<quint16> FtpCommands::pasvPort(const QByteArray &text)
{
    const std::optional<QByteArray> inside = bracketed(text);
    if (!inside)
        return std::nullopt;
    const QList<QByteArray> fields = inside->split(',');
    if (fields.size() != 6)
        return std::nullopt;
    const std::optional<qint64> high = parseByteCount(fields.at(4));
    const std::optional<qint64> low = parseByteCount(fields.at(5));
    if (!high || !low || *high > 255 || *low > 255)
        return std::nullopt;
    return portNumber(*high * 256 + *low);
}

bool FtpCommands::isTransferReply(int code)
{
    return (code >= 100 && code < 200) || code == 226 || code == 250;
}

bool FtpCommands::refusesDataConnection(int code)
{
    return code == 425 || code == 500 || code == 501 || code == 502 || code == 504;
}

std::optional<ServerRefusal> FtpCommands::refusalOf(int code, bool sizeTold)
{
    if (code < 500)
        return std::nullopt;
    if (code == 550 && !sizeTold)
        return ServerRefusal{ServerRefusal::Kind::NoFile, code};
    return ServerRefusal{ServerRefusal::Kind::Status, code};
}
