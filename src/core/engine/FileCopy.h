#pragma once

#include <QFile>

// Copying the first bytes of one open file into another at a given offset: in the kernel where
// the system can (copy_file_range), else through a buffer.
namespace FileCopy {

// Copies exactly `length` bytes from the start of `from` to offset `at` of `to`. False when
// `from` holds fewer bytes or a read or write fails.
bool append(QFile &from, QFile &to, qint64 at, qint64 length);

} // namespace FileCopy
