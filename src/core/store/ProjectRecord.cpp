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

// Reads the lines before "status:", in file order.
bool readUpToStatus(TextLines::KeyReader &reader, ProjectRecord &record)
{
    const auto url = reader.next("url:");
    const auto bytes = reader.next("bytes:");
    const auto size = bytes ? byteCount(*bytes) : std::nullopt;
    if (!url || !size)
        return false;
    record.url = QString::fromUtf8(*url);
    record.bytes = *size;
    for (const OptionKey &option : optionKeys) {
        const auto value = reader.next(option.key);
        if (!value)
            return false;
        record.*option.member = QString::fromUtf8(*value);
    }
    const auto type = reader.next("Type:");
    if (!type)
        return false;
    record.type = QString::fromUtf8(*type);
    return true;
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
    if (!readUpToStatus(reader, record))
        return std::nullopt;
    const auto statusText = reader.next(statusKey);
    const auto status = statusText ? statusValue(*statusText) : std::nullopt;
    if (!status)
        return std::nullopt;
    record.status = *status;
    return record;
}

QByteArray ProjectRecord::withStatus(const QByteArray &text, int status)
{
    const QByteArray line = statusKey + QByteArray::number(status) + "\r\n";
    TextLines::KeyReader reader(text);
    ProjectRecord ignored;
    if (!readUpToStatus(reader, ignored) || !reader.next(statusKey))
        return text + line;
    QByteArray result = text;
    return result.replace(reader.lineStart(), reader.lineEnd() - reader.lineStart(), line);
}
