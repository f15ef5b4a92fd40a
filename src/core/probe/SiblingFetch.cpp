#include "probe/SiblingFetch.h"

#include "wire/Connector.h"
#include "wire/HttpRequest.h"

namespace {

// The whole file: a 200, or a 206 whose range is the file from its first byte to its last.
std::optional<qint64> wholeLength(const HttpAnswer &answer)
{
    const std::optional<int> status = answer.statusCode();
    const std::optional<qint64> length = answer.contentLength();
    if (!length || answer.isCoded())
        return std::nullopt;
    if (status == 200)
        return length;
    const std::optional<ContentRange> range = answer.contentRange();
    if (status != 206 || !range || range->first != 0 || range->total != range->last + 1 ||
        *length != *range->total)
        return std::nullopt;
    return length;
}

} // namespace

SiblingFetch::SiblingFetch(const Url &url, const QString &path, const QSslConfiguration &tls,
                           const ProxyRoute &route, qint64 limit, const ProjectAccess &access,
                           QObject *parent)
    : QObject(parent), m_connector(new Connector(m_socket)), m_hostHeader(url.hostHeader),
      m_path(path), m_via(route.forwarding()), m_limit(limit), m_access(access)
{
    connect(m_connector, &Connector::ready, this, &SiblingFetch::onConnected);
    connect(m_connector, &Connector::refused, this, [this] { end(std::nullopt); });
    connect(&m_socket, &QSslSocket::readyRead, this, &SiblingFetch::onReadyRead);
    connect(&m_socket, &QSslSocket::errorOccurred, this, [this] { end(std::nullopt); });
    if (url.isTls())
        m_socket.setSslConfiguration(tls);
    m_connector->open(*url.server, route, url.isTls());
}

void SiblingFetch::abort()
{
    m_ended = true;
    m_socket.abort();
}

void SiblingFetch::onConnected()
{
    if (!m_ended)
        m_socket.write(HttpRequest::probeText(m_hostHeader, m_path, m_access, m_via));
}

void SiblingFetch::onReadyRead()
{
    if (!m_connector->isReady())
        return; // a proxy's answer is its connector's
    const QByteArray chunk = m_socket.readAll();
    if (m_ended)
        return;
    if (m_length < 0) {
        const qsizetype header = m_answer.append(chunk);
        if (m_answer.state() == HttpAnswer::State::Incomplete)
            return;
        m_body = chunk.mid(header);
        judgeHeader();
    } else {
        m_body += chunk;
    }
    if (m_length >= 0 && m_body.size() >= m_length)
        end(m_body.first(m_length));
}

void SiblingFetch::judgeHeader()
{
    const std::optional<qint64> length =
        m_answer.state() == HttpAnswer::State::Complete ? wholeLength(m_answer) : std::nullopt;
    if (!length || *length > m_limit)
        end(std::nullopt);
    else
        m_length = *length;
}

void SiblingFetch::end(const std::optional<QByteArray> &bytes)
{
    if (m_ended)
        return;
    abort();
    emit finished(bytes);
}
