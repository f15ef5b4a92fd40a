#include "store/JoinedRecord.h"

#include "store/FileNames.h"
#include "store/TextLines.h"

#include <type_traits>

namespace {

constexpr qsizetype MaxTextBytes = 1024;
constexpr qsizetype MaxNameBytes = 255; // what a file system allows for one name

template<typename Number>
std::optional<Number> numberIn(const std::optional<QByteArray> &text)
{
    if (!text)
        return std::nullopt;
    bool ok = false;
    const Number value =
        std::is_signed_v<Number> ? Number(text->toLongLong(&ok)) : Number(text->toULongLong(&ok));
    return ok ? std::optional<Number>(value) : std::nullopt;
}

} // namespace

QByteArray JoinedRecord::toText() const
{
    return TextLines::line("device:", QString::number(file.device)) +
           TextLines::line("inode:", QString::number(file.inode)) +
           TextLines::line("bytes:", QString::number(file.bytes)) +
           TextLines::line("modified:", QString::number(file.modified)) +
           TextLines::line("name:", name);
}

std::optional<JoinedRecord> JoinedRecord::parse(const QByteArray &text)
{
    if (text.size() > MaxTextBytes)
        return std::nullopt;
    TextLines::KeyReader reader(text);
    const auto device = numberIn<quint64>(reader.next("device:"));
    const auto inode = numberIn<quint64>(reader.next("inode:"));
    const auto bytes = numberIn<qint64>(reader.next("bytes:"));
    const auto modified = numberIn<qint64>(reader.next("modified:"));
    const std::optional<QByteArray> name = reader.next("name:");
    if (!device || !inode || !bytes || *bytes < 0 || !modified || !name ||
        name->size() > MaxNameBytes || !FileNames::isSafe(QString::fromUtf8(*name)))
        return std::nullopt;
    return JoinedRecord{{*device, *inode, *bytes, *modified}, QString::fromUtf8(*name)};
}
