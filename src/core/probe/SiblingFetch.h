#pragma once

#include "wire/HttpAnswer.h"
#include "wire/ProxyChoice.h"
#include "wire/Url.h"

#include <QByteArray>
#include <QObject>
#include <QSslConfiguration>
#include <QSslSocket>

#include <optional>

// Fetches a small file beside the probed one, on a connection of its own, with the probe's
// request, along the probe's proxy route: its bytes when the server sends them whole (200, or a 206
// from the first byte to the last) and they fit in `limit`; none for any other answer, an error or
// a close midway.
class Connector;

class SiblingFetch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SiblingFetch)

public:
    // url: the probed file's, on whose server `path` (a request target) is asked along route,
    // showing the same access as the file's request.
    SiblingFetch(const Url &url, const QString &path, const QSslConfiguration &tls,
                 const ProxyRoute &route, qint64 limit, const ProjectAccess &access,
                 QObject *parent = nullptr);

    // Closes the connection; nothing more is said.
    void abort();

signals:
    void finished(const std::optional<QByteArray> &bytes);

private:
    void onConnected();
    void onReadyRead();
    void judgeHeader();
    void end(const std::optional<QByteArray> &bytes);

    QSslSocket m_socket;
    Connector *m_connector; // m_socket's
    QString m_hostHeader;
    QString m_path;
    HttpRequest::ViaProxy m_via;
    qint64 m_limit;
    ProjectAccess m_access;
    HttpAnswer m_answer;
    QByteArray m_body;
    qint64 m_length = -1; // of the body, once the header is read
    bool m_ended = false;
};
