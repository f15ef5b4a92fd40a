#pragma once

#include "progress/SnapshotFiles.h"

#include <QString>
#include <QStringList>

class ProjectPaths;
struct ProjectEntry;

// What is recorded for a finished project: its list entry, the texts of its statistics record
// (each speed as "<speed> | <bits>") and its graph snapshots. Fields stay empty when the record
// is missing or unreadable.
struct ProjectStatistics
{
    ProjectStatistics(const ProjectPaths &paths, const ProjectEntry &entry);

    // One "Caption: value" line per field, the snapshot pairs last.
    QStringList lines() const;

    QString name;
    QString url;
    QString sizeText;
    QString time;
    QString highestSpeed;
    QString lowestSpeed;
    QString averageSpeed;
    QString checksum; // "Verified (SHA-256)", ... (RunCaptions::checksumText)
    SnapshotFiles snapshots;
};
