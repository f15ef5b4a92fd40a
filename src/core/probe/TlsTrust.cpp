#include "probe/TlsTrust.h"

#include <QSslCertificate>
#include <QSslSocket>
#include <QStringList>

QSslConfiguration tlsConfiguration(const QString &testCaFile)
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!testCaFile.isEmpty())
        configuration.setCaCertificates(QSslConfiguration::systemCaCertificates() +
                                        QSslCertificate::fromPath(testCaFile));
    return configuration;
}

QString certificateRefusedText(const QString &host, const QList<QSslError> &errors,
                               const QString &socketError)
{
    QStringList reasons;
    for (const QSslError &error : errors) {
        if (!reasons.contains(error.errorString()))
            reasons << error.errorString();
    }
    if (reasons.isEmpty())
        reasons << socketError;
    return QStringLiteral("The certificate of ") + host +
           QStringLiteral(" cannot be trusted !\r\n") + reasons.join(QStringLiteral("\r\n"));
}
