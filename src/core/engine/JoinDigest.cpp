#include "engine/JoinDigest.h"

#include "engine/FileMoves.h"
#include "store/ChecksumRecord.h"
#include "store/FileIo.h"

#include <QFileInfo>

#include <openssl/evp.h>

namespace {

constexpr qint64 BufferSize = 1024 * 1024;

const EVP_MD *digestOf(Checksum::Algorithm algorithm)
{
    switch (algorithm) {
    case Checksum::Algorithm::Md5:
        return EVP_md5();
    case Checksum::Algorithm::Sha1:
        return EVP_sha1();
    case Checksum::Algorithm::Sha256:
        return EVP_sha256();
    case Checksum::Algorithm::Sha512:
        return EVP_sha512();
    }
    return nullptr;
}

} // namespace

JoinDigest::JoinDigest(const Checksum &expected, const QString &recordPath)
    : m_expected(expected), m_recordPath(recordPath), m_context(EVP_MD_CTX_new())
{
    restart();
}

JoinDigest::~JoinDigest()
{
    EVP_MD_CTX_free(m_context);
}

bool JoinDigest::joinedUpTo(QFile &joined, qint64 length)
{
    if ((length < m_seen || m_seen < 0) && !restart())
        return false;
    if (length == m_seen)
        return true;
    const qint64 from = m_seen;
    m_seen = length;
    return add(joined, from, length - from);
}

bool JoinDigest::packJoined(QFile &piece, qint64 length)
{
    m_seen += length;
    return add(piece, 0, length);
}

// The digest so far stays as it is: a conclusion that cannot be recorded is tried again.
std::optional<JoinFault> JoinDigest::conclude()
{
    const JoinFault fault{JoinFault::Kind::Write, m_recordPath};
    EVP_MD_CTX *copy = EVP_MD_CTX_new();
    QByteArray actual(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int size = 0;
    const bool done =
        copy && EVP_MD_CTX_copy_ex(copy, m_context) == 1 &&
        EVP_DigestFinal_ex(copy, reinterpret_cast<unsigned char *>(actual.data()), &size) == 1;
    EVP_MD_CTX_free(copy);
    if (!done)
        return fault;
    actual.truncate(size);
    const ChecksumRecord record{m_expected, Checksum{m_expected.algorithm, actual}};
    m_corrupt = !record.isVerified();
    if (!FileIo::writeAtomically(m_recordPath, record.toText()) ||
        !FileMoves::syncFolder(QFileInfo(m_recordPath).path()))
        return fault;
    return std::nullopt;
}

bool JoinDigest::restart()
{
    m_seen = 0;
    return m_context && EVP_DigestInit_ex(m_context, digestOf(m_expected.algorithm), nullptr) == 1;
}

bool JoinDigest::add(QFile &file, qint64 from, qint64 length)
{
    if (m_buffer.isEmpty())
        m_buffer.resize(BufferSize);
    if (!file.seek(from)) {
        m_seen = -1;
        return false;
    }
    while (length > 0) {
        const qint64 got = file.read(m_buffer.data(), qMin(length, BufferSize));
        if (got <= 0 || EVP_DigestUpdate(m_context, m_buffer.constData(), size_t(got)) != 1) {
            m_seen = -1;
            return false;
        }
        length -= got;
    }
    return true;
}
