#pragma once

#include <QList>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>

// What HTTPS connections trust, and what the user is told when a server's certificate fails.

// The system's certificate store, or, when testCaFile is not empty, the authorities of that PEM
// file instead (a test's own authority, see Settings::testCaFile). The system's authorities are
// looked up by OpenSSL one at a time as a chain needs them, never all read at once. Peers are
// always verified.
QSslConfiguration tlsConfiguration(const QString &testCaFile);

// Why a TLS handshake with host failed. With certificate errors: "The certificate of <host>
// cannot be trusted !" CR LF and the reasons, one a line. Without any, the server did not answer
// in TLS (a plain HTTP port, as a rule): "The server <host> does not speak TLS (HTTPS) !" CR LF
// and the socket's own error text.
QString tlsRefusedText(const QString &host, const QList<QSslError> &errors,
                       const QString &socketError);
