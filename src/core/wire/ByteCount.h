#pragma once

#include <QByteArrayView>

#include <optional>

// A byte count sent by a server as decimal text (surrounding blanks allowed): nullopt when the
// text is empty, carries a sign or any other non-digit, or does not fit in 64 bits.
std::optional<qint64> parseByteCount(QByteArrayView text);
