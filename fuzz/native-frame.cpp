#include "FuzzCheck.h"

#include "catchlink/NativeFrame.h"
#include "wire/HandoffMessage.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

namespace {

// What a browser writes: the length in the machine's byte order, then the JSON.
QByteArray frame(const QByteArray &json)
{
    const quint32 length = quint32(json.size());
    return QByteArray(reinterpret_cast<const char *>(&length), sizeof length) + json;
}

std::optional<QString> readFrom(QByteArray bytes, qint64 *consumed)
{
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    const auto url = NativeFrame::readUrl(input);
    *consumed = input.pos();
    return url;
}

} // namespace

// The native-messaging frame: the reader never takes more than the length prefix announces,
// takes the whole frame when it accepts one, and an accepted URL is not empty. The frame a
// browser would write for that URL reads back the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qint64 consumed = 0;
    const auto url = readFrom(fuzzBytes(data, size), &consumed);
    quint32 length = 0;
    if (size >= sizeof length)
        std::memcpy(&length, data, sizeof length);
    FUZZ_CHECK(consumed <= qint64(sizeof length) + length);
    if (!url)
        return 0;
    FUZZ_CHECK(!url->isEmpty() && length <= HandoffMessage::MaxBytes);
    FUZZ_CHECK(consumed == qint64(sizeof length) + length);
    const QJsonObject message{{QStringLiteral("url"), *url}};
    FUZZ_CHECK(readFrom(frame(QJsonDocument(message).toJson()), &consumed) == url);
    return 0;
}
