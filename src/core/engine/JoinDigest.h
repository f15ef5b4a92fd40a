#pragma once

#include "engine/JoinWatch.h"
#include "store/Checksum.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct evp_md_ctx_st;

// Checks a project's file against the digest it must have while the join writes it: every byte
// goes through the digest once, as the join appends it, or on a restart from the joined file
// itself up to the length the join goes on from. The verdict is recorded in the project's
// "checksum.qfd" before the joined file leaves the receive folder, so that a run stopped after
// that still knows it. OpenSSL's digests run several times faster than QCryptographicHash's
// (SHA-256 tenfold where the processor has SHA instructions).
class JoinDigest final : public JoinWatch
{
    Q_DISABLE_COPY_MOVE(JoinDigest)

public:
    JoinDigest(const Checksum &expected, const QString &recordPath);
    ~JoinDigest() override;

    bool joinedUpTo(QFile &joined, qint64 length) override;
    bool packJoined(QFile &piece, qint64 length) override;
    std::optional<JoinFault> conclude() override;
    bool isCorrupt() const override { return m_corrupt; }

private:
    bool restart();
    bool add(QFile &file, qint64 from, qint64 length);

    Checksum m_expected;
    QString m_recordPath;
    evp_md_ctx_st *m_context;
    // The joined file's leading bytes the digest went through; -1 once a read failed midway.
    qint64 m_seen = 0;
    QByteArray m_buffer;
    bool m_corrupt = false;
};
