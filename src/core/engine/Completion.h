#pragma once

#include "engine/Assembler.h"
#include "engine/PieceJoiner.h"
#include "engine/RunFiles.h"

#include <QObject>
#include <QString>

#include <memory>

class Download;
class JoinWatch;
class ProjectStore;

// Completes the running download's file: joins the leading complete packs while later ones still
// arrive, deleting each piece once its bytes are in the work file for good, joins the rest once
// every pack is in, and gives the joined file its name in the download folder. A complete pack
// whose piece turns out missing or short before it is joined is fetched again. Each step leaves
// what the next start finishes, and the joined file is recognised by its record alone: a file of
// the same name is never taken for it. The joins run in the joiner's thread.
class Completion final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Completion)

public:
    explicit Completion(QObject *parent = nullptr);

    // A download begins whose work file holds its first `joined` packs for good.
    void begin(qint64 joined) { m_joiner.begin(joined); }
    // A tick of a running download that is not paused: joins what it can.
    void advance(Download &download, const RunFiles &files);
    // The last pieces are being joined: there is nothing to pause.
    bool isFinishing() const { return m_joiner.isFinishing(); }
    // Stops a running join; the pieces not joined for good stay.
    void stop() { m_joiner.stop(); }
    // Stops a running join; from the next join on, a project with a digest has its file checked as
    // it is joined. False when its digest cannot be read: the file would go unchecked.
    bool watchDigest(const ProjectStore &store, const QString &project);
    // Only what the project made goes: its joined file, its pieces, "final.qfd", and then its
    // receive folder when that is left empty.
    static void removeOwnFiles(const RunFiles &files);

signals:
    // The last join began.
    void finishing();
    // The finished file is filePath; its name is the next free one when its own was taken.
    void placed(const QString &filePath);
    // A join or the placing of its result failed: the download is to pause and say why.
    void failed(const JoinFault &fault);
    // A join ahead of the end is over: the next one may start at once.
    void prejoined();

private:
    void onPrejoined(const Assembler::Outcome &outcome);
    void onJoined(const Assembler::Outcome &outcome);
    void place();
    Assembler assembler(const Download &download) const;
    static JoinedFile joinedFile(const RunFiles &files);
    static void removeReceiveFolder(const RunFiles &files);

    PieceJoiner m_joiner;
    RunFiles m_files;
    std::shared_ptr<JoinWatch> m_watch;
};
