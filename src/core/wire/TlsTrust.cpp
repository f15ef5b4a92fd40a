#include "wire/TlsTrust.h"

#include <QSslCertificate>
#include <QSslSocket>
#include <QStringList>

QSslConfiguration tlsConfiguration(const QString &testCaFile)
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!testCaFile.isEmpty())
        configuration.setCaCertificates(QSslCertificate::fromPath(testCaFile));
    return configuration;
}

QString tlsRefusedText(const QString &host, const QList<QSslError> &errors,
                       const QString &socketError)
{
    if (errors.isEmpty())
        return QStringLiteral("The server ") + host +
               QStringLiteral(" does not speak TLS (HTTPS) !\r\n") + socketError;
    QStringList reasons;
    for (const QSslError &error : errors) {
        if (!reasons.contains(error.errorString()))
            reasons << error.errorString();
    }
    return QStringLiteral("The certificate of ") + host +
           QStringLiteral(" cannot be trusted !\r\n") + reasons.join(QStringLiteral("\r\n"));
}
