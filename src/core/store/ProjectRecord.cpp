#include "store/ProjectRecord.h"

#include "store/TextLines.h"

#include <array>

namespace {

const QByteArray statusKey = QByteArrayLiteral("status:");

// The keys of lines 3 to 12, in file order, with the member each one fills.
struct OptionKey
{
    const char *key;
    QString ProjectRecord::*member;
};

const std::array<OptionKey, 10> optionKeys{{
    {"path:", &ProjectRecord::path},
    {"packsize:", &ProjectRecord::packSize},
    {"showmodem:", &ProjectRecord::showModem},
    {"bar1back:", &ProjectRecord::bar1Back},
    {"bar1for:", &ProjectRecord::bar1For},
    {"bar2back:", &ProjectRecord::bar2Back},
    {"bar2for:", &ProjectRecord::bar2For},
    {"graphback:", &ProjectRecord::graphBack},
    {"graphfor:", &ProjectRecord::graphFor},
    {"graphmodem:", &ProjectRecord::graphModem},
}};

std::optional<int> statusValue(const QByteArray &text)
{
    if (text == "0")
        return ProjectRecord::Running;
    if (text == "1")
        return ProjectRecord::Waiting;
    if (text == "2")
        return ProjectRecord::Finished;
    return std::nullopt;
}

std::optional<qint64> byteCount(const QByteArray &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

bool ProjectRecord::isFtp() const
{
    return type == QLatin1String("1");
}

QByteArray ProjectRecord::toText() const
{
    QByteArray text = TextLines::line("url:", url);
    text += TextLines::line("bytes:", QString::number(bytes));
    for (const OptionKey &option : optionKeys)
        text += TextLines::line(option.key, this->*option.member);
    text += TextLines::line("Type:", type);
    text += TextLines::line("status:", QString::number(status));
    return text;
}

std::optional<ProjectRecord> ProjectRecord::parse(const QByteArray &text)
{
    TextLines::KeyReader reader(text);
    ProjectRecord record;
    const auto url = reader.next("url:");
    const auto bytes = reader.next("bytes:");
    if (!url || !bytes)
        return std::nullopt;
    record.url = QString::fromUtf8(*url);
    const auto size = byteCount(*bytes);
    if (!size)
        return std::nullopt;
    record.bytes = *size;
    for (const OptionKey &option : optionKeys) {
        const auto value = reader.next(option.key);
        if (!value)
            return std::nullopt;
        record.*option.member = QString::fromUtf8(*value);
    }
    const auto type = reader.next("Type:");
    const auto statusText = reader.next(statusKey);
    if (!type || !statusText)
        return std::nullopt;
    record.type = QString::fromUtf8(*type);
    const auto status = statusValue(*statusText);
    if (!status)
        return std::nullopt;
    record.status = *status;
    return record;
}

QByteArray ProjectRecord::withStatus(const QByteArray &text, int status)
{
    const QByteArray line = statusKey + QByteArray::number(status) + "\r\n";
    const bool first = text.startsWith(statusKey);
    qsizetype at = first ? 0 : text.indexOf("\n" + statusKey);
    if (at < 0)
        return text + line;
    if (!first)
        ++at; // past the LF that ends the line before
    const qsizetype end = text.indexOf("\r\n", at);
    const qsizetype lineEnd = end < 0 ? text.size() : end + 2;
    QByteArray result = text;
    return result.replace(at, lineEnd - at, line);
}
