#pragma once

#include <QFile>

// Copying the first bytes of one open file into another at a given offset: in the kernel where
// the system can (copy_file_range), else through a buffer. Where the filesystem shares extents
// (XFS with reflink, btrfs), the kernel then shares the blocks instead of writing them again,
// as long as the offset is a multiple of the block size (packs of 512000 bytes are).
namespace FileCopy {

// Copies exactly `length` bytes from the start of `from` to offset `at` of `to`. False when
// `from` holds fewer bytes or a read or write fails.
bool append(QFile &from, QFile &to, qint64 at, qint64 length);

} // namespace FileCopy
