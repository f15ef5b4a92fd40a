#pragma once

#include "engine/JoinFault.h"
#include "store/JoinedRecord.h"

#include <QString>

#include <optional>

// The joined file of one project on its way from the receive folder ("final.qfd") to its own name
// in the download folder, and the proof that it is the project's: the record "joined.qfd" in the
// project folder. Only a file whose identity matches the record is ever moved, adopted or
// deleted, so a user's file of any of these names is never touched; and as a rename keeps the
// identity, a run stopped at any moment is recognised. Every move replaces nothing and is made
// durable before the next step relies on it.
class JoinedFile final
{
public:
    struct Paths
    {
        QString downloadFolder; // ends with "/"
        QString receiveFolder;  // ends with "/"
        QString project;
        QString fileName;   // from the URL
        QString recordPath; // "joined.qfd"
    };

    explicit JoinedFile(const Paths &paths);

    // The same joined file, to be named after the file with ".corrupt" added: it is not the
    // file its digest names.
    JoinedFile corrupt() const;

    // Makes the whole "final.qfd" durable, records its identity and the name it is to take, and
    // moves it out of the receive folder: to that name, or when the receive folder itself still
    // holds that name (a file name without "."), beside it as "<project>.qfd".
    std::optional<JoinFault> leaveReceiveFolder() const;
    // An earlier step moved the joined file out of the receive folder.
    bool hasLeftReceiveFolder() const;

    struct Placed
    {
        QString path; // where the finished file is
        std::optional<JoinFault> fault;
    };
    // Gives the file that left the receive folder its name, once the receive folder is gone: the
    // recorded one, or when that is taken the next free name by the project naming rule.
    Placed place() const;
    // Deletes "<project>.qfd" when it is the project's, then the record.
    void discard() const;

private:
    QString joinedPath() const;
    std::optional<JoinedRecord> record() const;
    QString placedPath(const JoinedRecord &record) const;
    std::optional<JoinFault> moveToName(const QString &from, JoinedRecord &joined) const;
    std::optional<JoinFault> syncDownloadFolder(const QString &movedTo) const;
    std::optional<JoinFault> writeRecord(const JoinedRecord &record) const;
    QString nextFreeName() const;

    Paths m_paths;
};
