#include "store/Netrc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <utility>

namespace Netrc {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// The words of the text in order.
class Words final
{
public:
    explicit Words(const QByteArray &text) : m_text(text) {}

    std::optional<QByteArray> next()
    {
        skipBlanksAndComments();
        if (m_pos >= m_text.size())
            return std::nullopt;
        return m_text.at(m_pos) == '"' ? quoted() : plain();
    }

    // A macro's body ends at the first blank line after its name's line.
    void skipMacro()
    {
        const qsizetype end = m_text.indexOf("\n\n", m_pos);
        m_pos = end < 0 ? m_text.size() : end + 2;
    }

private:
    void skipBlanksAndComments()
    {
        while (m_pos < m_text.size()) {
            if (isBlank(m_text.at(m_pos))) {
                ++m_pos;
            } else if (m_text.at(m_pos) == '#') {
                const qsizetype end = m_text.indexOf('\n', m_pos);
                m_pos = end < 0 ? m_text.size() : end + 1;
            } else {
                return;
            }
        }
    }

    QByteArray plain()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && !isBlank(m_text.at(m_pos)))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    QByteArray quoted()
    {
        QByteArray word;
        for (++m_pos; m_pos < m_text.size() && m_text.at(m_pos) != '"'; ++m_pos) {
            if (m_text.at(m_pos) == '\\' && m_pos + 1 < m_text.size())
                ++m_pos;
            word += m_text.at(m_pos);
        }
        ++m_pos; // the closing quote
        return word;
    }

    const QByteArray &m_text;
    qsizetype m_pos = 0;
};

enum class Entry
{
    None,
    Host,    // the machine asked for
    Default, // every other machine
    Other
};

Entry machine(const std::optional<QByteArray> &name, const QString &host)
{
    const bool isHost = name && QString::fromUtf8(*name).compare(host, Qt::CaseInsensitive) == 0;
    return isHost ? Entry::Host : Entry::Other;
}

QString refusalText(const QString &path, const QString &host)
{
    return QStringLiteral("The login for ") + host + QStringLiteral(" in the file ") + path +
           QStringLiteral(" is not used: other users can read that file !\r\nMake it private "
                          "with: chmod 600 ") +
           path;
}

bool isPrivate(const QFileInfo &file)
{
    constexpr QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    return (file.permissions() & others) == 0 && file.ownerId() == ::geteuid();
}

} // namespace

std::optional<Login> loginFor(const QByteArray &text, const QString &host, bool orDefault)
{
    if (text.size() > MaxBytes)
        return std::nullopt;
    Words words(text);
    Entry entry = Entry::None;
    Login login;
    std::optional<Login> fallback;
    // Ends the entry read so far: its login when it is the host's.
    const auto close = [&]() -> std::optional<Login> {
        const Login ended = std::exchange(login, {});
        if (entry == Entry::Default && !fallback)
            fallback = ended;
        return entry == Entry::Host ? std::optional(ended) : std::nullopt;
    };
    for (auto word = words.next(); word; word = words.next()) {
        if (*word == "machine" || *word == "default") {
            if (const std::optional<Login> found = close())
                return found;
            entry = *word == "default" ? Entry::Default : machine(words.next(), host);
        } else if (*word == "login") {
            login.user = QString::fromUtf8(words.next().value_or(QByteArray()));
        } else if (*word == "password") {
            login.password = QString::fromUtf8(words.next().value_or(QByteArray()));
        } else if (*word == "account") {
            words.next();
        } else if (*word == "macdef") {
            words.next();
            words.skipMacro();
        }
    }
    if (const std::optional<Login> found = close())
        return found;
    return orDefault ? fallback : std::nullopt;
}

Lookup lookUp(const QString &host, bool orDefault)
{
    const QString path = QDir::homePath() + QStringLiteral("/.netrc");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const std::optional<Login> login = loginFor(file.read(MaxBytes + 1), host, orDefault);
    if (!login || login->isEmpty())
        return {};
    if (!isPrivate(QFileInfo(path)))
        return {{}, refusalText(path, host)};
    return {*login, QString()};
}

} // namespace Netrc
