// Joins the pieces of a 2 GiB download (packs of 512000 bytes) with the engine's joiner while a
// 5 ms timer on the same event loop notes the longest gap between two of its ticks: the longest
// time the window would not answer during the join. Target: under 50 ms.
//
//     join-stall-bench [FOLDER]   (a temporary folder by default; it needs 4 GiB free)

#include "engine/Assembler.h"
#include "engine/PieceJoiner.h"
#include "store/ProjectPaths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr qint64 FileSize = 2LL * 1024 * 1024 * 1024;
constexpr qint64 PackSize = 512000;
constexpr int TickMs = 5;
constexpr qint64 TargetMs = 50;

bool writePieces(const PackPlan &plan, const QString &folder)
{
    QByteArray bytes(PackSize, Qt::Uninitialized);
    for (qint64 number = 0; number < plan.count(); ++number) {
        bytes.fill(char(number));
        QFile piece(ProjectPaths::piecePath(folder, QStringLiteral("big"), number));
        if (!piece.open(QIODevice::WriteOnly) ||
            piece.write(bytes.constData(), plan.length(number)) != plan.length(number))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch(
        argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/join-XXXXXX") : QString());
    const QString folder = scratch.path() + QLatin1Char('/');
    const PackPlan plan(FileSize, PackSize);
    std::printf("Writing %lld pieces in %s ...\n", plan.count(), qPrintable(folder));
    if (!scratch.isValid() || !writePieces(plan, folder)) {
        std::fprintf(stderr, "cannot write the pieces\n");
        return 1;
    }

    PieceJoiner joiner;
    QTimer ticks;
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longestGap = qMax(longestGap, sinceTick.restart()); });
    QObject::connect(&joiner, &PieceJoiner::finished, [&](const Assembler::Outcome &outcome) {
        ticks.stop();
        longestGap = qMax(longestGap, sinceTick.elapsed());
        std::printf("join %s in %.3f s; longest event-loop gap %lld ms (target under %lld ms): "
                    "%s\n",
                    outcome.done ? "done" : "FAILED", double(clock.elapsed()) / 1000.0, longestGap,
                    TargetMs, longestGap < TargetMs ? "met" : "NOT met");
        app.exit(outcome.done && longestGap < TargetMs ? 0 : 1);
    });
    ticks.start(TickMs);
    clock.start();
    sinceTick.start();
    joiner.start(Assembler(plan, folder, QStringLiteral("big")),
                 JoinedFile({folder, folder, QStringLiteral("big"), QStringLiteral("big.bin"),
                             folder + QStringLiteral("joined.qfd")}));
    return app.exec();
}
