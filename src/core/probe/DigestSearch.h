#pragma once

#include "store/Checksum.h"
#include "wire/DigestFiles.h"
#include "wire/ProxyChoice.h"
#include "wire/Url.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QTimer>

#include <optional>

class SiblingFetch;

// Looks for the digest files a server may keep beside a file (DigestFiles), all asked at once,
// each on a connection of its own, while the probe asks for the file itself. A file that is
// missing, unreadable or late gives no digest.
class DigestSearch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DigestSearch)

public:
    explicit DigestSearch(QObject *parent = nullptr);

    // Asks the siblings of an HTTP or HTTPS file along route, showing the access the file's request
    // shows; a URL with a query has none.
    void start(const Url &url, const QSslConfiguration &tls, const ProxyRoute &route,
               const ProjectAccess &access = {});
    // The probe has its answer: the siblings still unanswered get up to waitMs more; then found()
    // gives the preferred digest read (DigestFiles::siblingsOf).
    void finishWithin(int waitMs);
    // Closes every connection; found() does not follow.
    void stop();

signals:
    void found(const std::optional<Checksum> &checksum);

private:
    void onFetched(int index, const std::optional<QByteArray> &bytes);
    void conclude();

    QList<DigestFiles::Sibling> m_siblings;
    QList<QPointer<SiblingFetch>> m_fetches; // null once answered
    QList<std::optional<Checksum>> m_digests;
    QString m_fileName;
    QTimer m_deadline;
    bool m_finishing = false;
};
