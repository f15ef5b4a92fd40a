#include "store/ServerValidators.h"

#include "store/TextLines.h"

QByteArray ServerValidators::toText() const
{
    return TextLines::bytesLine("etag:", etag) + TextLines::bytesLine("modified:", modified);
}

ServerValidators ServerValidators::parse(const QByteArray &text)
{
    TextLines::KeyReader reader(text);
    ServerValidators validators;
    validators.etag = reader.next("etag:").value_or(QByteArray());
    validators.modified = reader.next("modified:").value_or(QByteArray());
    return validators;
}
