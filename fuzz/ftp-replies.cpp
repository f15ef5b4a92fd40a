#include "FuzzCheck.h"

#include "wire/FtpCommands.h"
#include "wire/FtpReplies.h"

namespace {

QList<FtpReply> cutInto(FtpReplies &cutter, const QByteArray &bytes, qsizetype chunk)
{
    QList<FtpReply> replies;
    for (qsizetype at = 0; at < bytes.size(); at += chunk)
        replies += cutter.append(bytes.mid(at, chunk));
    return replies;
}

} // namespace

// FTP control bytes: cut into reads of any size (the first byte picks it, from 1 byte) after a
// clear, they give the same replies as in one read, each with a three-digit code and a text
// within its line; a port named by a PASV or EPSV reply is one a socket can connect to, and a
// size is not negative.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes = fuzzBytes(data + 1, size - 1);
    FtpReplies cutter;
    const QList<FtpReply> whole = cutInto(cutter, bytes, qMax<qsizetype>(bytes.size(), 1));
    cutter.clear();
    FUZZ_CHECK(cutInto(cutter, bytes, 1 + data[0] % 16) == whole);
    for (const FtpReply &reply : whole) {
        FUZZ_CHECK(reply.code >= 0 && reply.code <= 999 && !reply.text.contains('\n'));
        FUZZ_CHECK(FtpCommands::pasvPort(reply.text).value_or(1) != 0);
        FUZZ_CHECK(FtpCommands::epsvPort(reply.text).value_or(1) != 0);
        FUZZ_CHECK(ftpSizeFromReplyText(reply.text).value_or(0) >= 0);
    }
    return 0;
}
