#include "progress/GraphSnapshots.h"

#include "progress/LiveGraphs.h"
#include "progress/SnapshotFiles.h"
#include "store/FileIo.h"
#include "store/ProjectPaths.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <algorithm>
#include <array>

namespace {

QByteArray jpegBytes(const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(GraphSnapshots::Quality);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888)))
        return {};
    return buffer.data();
}

// Writing over an earlier image keeps that file's times and permissions. Linux has no call
// that sets a file's creation (birth) time: there the new file keeps its own.
bool writeKeepingTimes(const QString &path, const QByteArray &bytes)
{
    const QFileInfo old(path);
    const bool existed = old.exists();
    constexpr std::array times{QFileDevice::FileBirthTime, QFileDevice::FileAccessTime,
                               QFileDevice::FileModificationTime};
    std::array<QDateTime, times.size()> kept;
    std::transform(times.begin(), times.end(), kept.begin(),
                   [&old](QFileDevice::FileTime time) { return old.fileTime(time); });
    const QFile::Permissions permissions = old.permissions();
    if (!FileIo::writeAtomically(path, bytes))
        return false;
    if (!existed)
        return true;
    QFile file(path);
    if (file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        for (std::size_t index = 0; index < times.size(); ++index)
            file.setFileTime(kept.at(index), times.at(index));
    }
    file.close();
    QFile::setPermissions(path, permissions);
    return true;
}

} // namespace

GraphSnapshots::GraphSnapshots(const ProjectPaths &paths, const LiveGraphs &graphs, QObject *parent)
    : QObject(parent), m_paths(paths), m_graphs(graphs)
{}

void GraphSnapshots::saveFinal()
{
    if (m_running && m_ticks > 0)
        savePair();
}

void GraphSnapshots::startRun(const QString &project, const QString &baseName)
{
    m_running = true;
    m_project = project;
    m_baseName = baseName;
    m_ticks = 0;
    m_number = SnapshotFiles(m_paths.projectFolder(project)).nextNumber();
    m_failureShown = false;
}

void GraphSnapshots::tick()
{
    if (!m_running || ++m_ticks < TicksPerPair)
        return;
    savePair();
    m_ticks = 0;
    ++m_number;
}

void GraphSnapshots::finishRun(const QString &project)
{
    if (project == m_project && m_ticks > 0)
        savePair();
    m_ticks = 0;
}

void GraphSnapshots::savePair()
{
    save(m_graphs.average(), 1);
    save(m_graphs.instant(), 2);
}

void GraphSnapshots::save(const QImage &image, int series)
{
    const QString path = m_paths.snapshotPath(m_project, m_baseName, series, m_number);
    const QByteArray bytes = jpegBytes(image);
    if ((!bytes.isEmpty() && writeKeepingTimes(path, bytes)) || m_failureShown)
        return;
    m_failureShown = true;
    emit writeFailed(QStringLiteral("Unable to write the file ") + path + QStringLiteral(" !"));
}
