#include "ShellHarness.h"

#include "SilentServer.h"
#include "progress/DisplayText.h"
#include "ui/GraphView.h"
#include "ui/StatsWindow.h"

namespace {

// A right click as the user makes it: a context-menu event on the row (0: off the rows).
void rightClick(QTreeWidget *list, int row)
{
    const QPoint position = row > 0 ? list->visualItemRect(list->topLevelItem(row - 1)).center()
                                    : list->viewport()->rect().bottomLeft();
    QContextMenuEvent event(QContextMenuEvent::Mouse, position,
                            list->viewport()->mapToGlobal(position));
    QApplication::sendEvent(list->viewport(), &event);
}

// A right click on the row, then a click on an entry of the menu it opened.
void choose(ShellHarness &shell, QTreeWidget *list, int row, const char *entry)
{
    rightClick(list, row);
    QAction *action = shell.find<QAction>(QLatin1String(entry));
    auto *menu = qobject_cast<QMenu *>(action->parent());
    QVERIFY(menu->isVisible() && action->isEnabled());
    menu->hide();
    action->trigger();
}

QStringList column(QTreeWidget *list, int column)
{
    QStringList texts;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        texts.append(list->topLevelItem(row)->text(column));
    return texts;
}

} // namespace

class tst_ProjectLists final : public QObject
{
    Q_OBJECT

private slots:
    void listsAndWhatTheirMenusDo();
};

// The queue, then the finished projects newest first; no menu off the rows. "Show statistics"
// pages through the row's snapshots three at a time in the order they were taken, (1_10) after
// (1_9); a gap and a stray file shift nothing, and the shorter series stays on its last page.
// The queue menu offers only the moves a row can make; each move shows in the list and in the
// file. A question acts only on Yes. A waiting project is cancelled without touching the
// download; the running one stops it.
void tst_ProjectLists::listsAndWhatTheirMenusDo()
{
    SilentServer server;
    ShellHarness shell(20);
    shell.addProject("Done1", "127.0.0.1:1/d1.bin", 2, 100);
    shell.addProject("Done2", "127.0.0.1:1/d2.bin", 2, 2048);
    shell.addProject("Done3", "127.0.0.1:1/d3.bin", 2);
    shell.addProject("Run", server.url("run.bin"), 0);
    for (const QString &name : QStringList{"Wait1", "Wait2", "Wait3"})
        shell.addProject(name, "127.0.0.1:1/" + name, 1);
    QImage picture(5, 5, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QStringList average, instant;
    for (int k = 0; k < 12; ++k) {
        average << QStringLiteral("d2(1_%1).jpg").arg(k);
        if (k < 9)
            instant << QStringLiteral("d2(2_%1).jpg").arg(k < 4 ? k : k + 1);
    }
    for (const QString &name : average + instant + QStringList{"d2(2_x).jpg"})
        QVERIFY(picture.save(shell.store.paths().projectFolder("Done2") + name));
    shell.start();
    QTreeWidget *queue = shell.find<QTreeWidget>("Lst_Main");
    QTreeWidget *finished = shell.find<QTreeWidget>("Lst_Main2");
    QCOMPARE(column(queue, 1), (QStringList{"Run", "Wait1", "Wait2", "Wait3"}));
    QCOMPARE(column(queue, 4), (QStringList{"Downloading", "Waiting", "Waiting", "Waiting"}));
    QCOMPARE(queue->topLevelItem(1)->text(2), "127.0.0.1:1/Wait1");
    QCOMPARE(column(finished, 1), (QStringList{"Done3", "Done2", "Done1"}));
    QCOMPARE(column(finished, 3),
             (QStringList{Format_Taille(1300000), Format_Taille(2048), "100 Bytes"}));
    QCOMPARE(column(finished, 4), (QStringList{"Finished", "Finished", "Finished"}));
    rightClick(queue, 0);
    rightClick(finished, 0);
    QVERIFY(!shell.find<QMenu>("Mnu_Pas_Finit")->isVisible());
    QVERIFY(!shell.find<QMenu>("Mnu_Finished")->isVisible());

    choose(shell, finished, 2, "Mnu_Stats");
    StatsWindow *stats = ShellHarness::topLevel<StatsWindow>("Stats");
    QVERIFY(stats != nullptr && stats->isVisible() && !shell.window->isEnabled());
    const auto shown = [](const std::array<GraphView *, 3> &boxes) {
        QStringList names;
        for (const GraphView *box : boxes)
            names << (box->image().isNull() ? QString() : box->toolTip());
        return names;
    };
    const QList<int> pages{0, 1, 2, 3, 2, 1, 0};
    for (int step = 0; step < pages.size(); ++step) {
        const int page = pages.at(step);
        QCOMPARE(shown(stats->Pict_Stats), average.mid(page * 3, 3));
        QCOMPARE(shown(stats->Pict_Stats2), instant.mid(qMin(page * 3, 6), 3));
        QCOMPARE(stats->Cmd_For_2->isEnabled(), page < 3);
        QCOMPARE(stats->Cmd_Prec_2->isEnabled(), page > 0);
        if (step + 1 < pages.size())
            (pages.at(step + 1) > page ? stats->Cmd_For_2 : stats->Cmd_Prec_2)->click();
    }
    stats->Cmd_Close->click();
    QVERIFY(shell.window->isEnabled());

    // Which moves the menu of a row offers; cancel it always offers.
    const auto moves = [&shell, queue](int row) {
        rightClick(queue, row);
        shell.find<QMenu>("Mnu_Pas_Finit")->hide();
        return std::pair(shell.find<QAction>("Mnu_Haut")->isEnabled(),
                         shell.find<QAction>("Mnu_Bas")->isEnabled());
    };
    QCOMPARE(moves(1), std::pair(false, false)); // the running project
    QCOMPARE(moves(2), std::pair(false, true));
    QCOMPARE(moves(4), std::pair(true, false));

    choose(shell, queue, 4, "Mnu_Haut");
    QCOMPARE(column(queue, 1), (QStringList{"Run", "Wait1", "Wait3", "Wait2"}));
    QCOMPARE(queue->currentItem()->text(1), "Wait3");
    choose(shell, queue, 2, "Mnu_Bas");
    QCOMPARE(column(queue, 1), (QStringList{"Run", "Wait3", "Wait1", "Wait2"}));
    QCOMPARE(FileIo::read(shell.store.paths().mainListPath()),
             QByteArray("Done1\r\nDone2\r\nDone3\r\nRun\r\nWait3\r\nWait1\r\nWait2\r\n"));

    shell.messages.answers = {false, false, true};
    choose(shell, queue, 4, "Mnu_Cancel");
    choose(shell, finished, 2, "Mnu_Del_Stats");
    QCOMPARE(column(queue, 1), (QStringList{"Run", "Wait3", "Wait1", "Wait2"}));
    choose(shell, finished, 2, "Mnu_Del_Stats");
    QCOMPARE(column(finished, 1), (QStringList{"Done3", "Done1"}));
    const QString deleteDone2 = "question|Delete ?|Do you really want to delete the statistics of "
                                "Done2 ?";
    QCOMPARE(shell.messages.shown,
             (QStringList{"question|Cancel ?|Do you really want to cancel project: Wait2 ?",
                          deleteDone2, deleteDone2}));

    QTRY_VERIFY(server.connectionCount() > 0);
    const int connections = server.connectionCount();
    shell.messages.answers = {true, true};
    choose(shell, queue, 2, "Mnu_Cancel");
    QCOMPARE(shell.engine.currentProject(), "Run");
    QCOMPARE(server.connectionCount(), connections);
    QCOMPARE(column(queue, 1), (QStringList{"Run", "Wait1", "Wait2"}));
    shell.engine.setStartHeld(true); // keeps Wait1 from starting during the checks
    choose(shell, queue, 1, "Mnu_Cancel");
    QVERIFY(!shell.engine.isDownloading());
    QVERIFY(!shell.find<QPushButton>("Cmd_Action")->isEnabled());
    QCOMPARE(column(queue, 1), (QStringList{"Wait1", "Wait2"}));
}

QTEST_MAIN(tst_ProjectLists)
#include "tst_ProjectLists.moc"
