#include "FuzzCheck.h"

#include "store/FileNames.h"
#include "store/MainList.h"
#include "store/TextLines.h"

#include <QSet>

// "main.qfd": each name read is a safe folder name, listed once, and no more names come out
// than the text has lines; the list written back from them reads back the same, undamaged.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = fuzzBytes(data, size);
    const MainList::Names list = MainList::read(text);
    FUZZ_CHECK(list.names.size() <= text.count("\r\n"));
    FUZZ_CHECK(QSet<QString>(list.names.cbegin(), list.names.cend()).size() == list.names.size());
    QList<QByteArray> lines;
    for (const QString &name : list.names) {
        FUZZ_CHECK(FileNames::isSafe(name));
        lines.append(name.toUtf8());
    }
    const MainList::Names again = MainList::read(TextLines::join(lines));
    FUZZ_CHECK(again.names == list.names && !again.damaged);
    return 0;
}
