#include "probe/DigestSearch.h"

#include "probe/SiblingFetch.h"

#include <QUrl>

#include <algorithm>

DigestSearch::DigestSearch(QObject *parent) : QObject(parent)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &DigestSearch::conclude);
}

void DigestSearch::start(const Url &url, const QSslConfiguration &tls, const ProxyRoute &route,
                         const ProjectAccess &access)
{
    stop();
    const qsizetype slash = url.path.lastIndexOf(u'/');
    if (url.isFtp() || !url.server || slash < 0 || url.path.contains(u'?'))
        return;
    m_fileName = QUrl::fromPercentEncoding(url.path.mid(slash + 1).toUtf8());
    m_siblings = DigestFiles::siblingsOf(m_fileName);
    m_digests.resize(m_siblings.size());
    for (int index = 0; index < m_siblings.size(); ++index) {
        const QString name =
            QString::fromLatin1(QUrl::toPercentEncoding(m_siblings.at(index).name));
        auto *fetch = new SiblingFetch(url, url.path.left(slash + 1) + name, tls, route,
                                       DigestFiles::MaxBytes, access, this);
        connect(fetch, &SiblingFetch::finished, this,
                [this, index](const std::optional<QByteArray> &bytes) { onFetched(index, bytes); });
        m_fetches.append(fetch);
    }
}

void DigestSearch::finishWithin(int waitMs)
{
    m_finishing = true;
    m_deadline.start(waitMs);
    if (std::all_of(m_fetches.cbegin(), m_fetches.cend(), [](const auto &f) { return f.isNull(); }))
        conclude();
}

// A fetch may be the sender of the signal being handled: it goes once control is back in the
// event loop.
void DigestSearch::stop()
{
    m_deadline.stop();
    m_finishing = false;
    for (const QPointer<SiblingFetch> &fetch : std::as_const(m_fetches)) {
        if (fetch) {
            fetch->abort();
            fetch->deleteLater();
        }
    }
    m_fetches.clear();
    m_siblings.clear();
    m_digests.clear();
}

void DigestSearch::onFetched(int index, const std::optional<QByteArray> &bytes)
{
    if (bytes)
        m_digests[index] = DigestFiles::read(*bytes, m_siblings.at(index), m_fileName);
    m_fetches.at(index)->deleteLater();
    m_fetches[index] = nullptr;
    if (m_finishing &&
        std::all_of(m_fetches.cbegin(), m_fetches.cend(), [](const auto &f) { return f.isNull(); }))
        conclude();
}

void DigestSearch::conclude()
{
    const auto first = std::find_if(m_digests.cbegin(), m_digests.cend(),
                                    [](const std::optional<Checksum> &d) { return d.has_value(); });
    const std::optional<Checksum> checksum = first == m_digests.cend() ? std::nullopt : *first;
    stop();
    emit found(checksum);
}
