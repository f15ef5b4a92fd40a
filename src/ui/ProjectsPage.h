#pragma once

#include <QWidget>

class Engine;
class MessagePresenter;
class ProjectStore;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeWidget;
struct ProjectEntry;

// The "Projects" tab: the URL field with the add button, and the two project lists with their
// right-click menus (move a waiting project, cancel a project, delete a finished project's
// statistics). Each menu entry changes the store and rebuilds the lists.
class ProjectsPage final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProjectsPage)

public:
    ProjectsPage(ProjectStore &store, Engine &engine, MessagePresenter &messages,
                 QWidget *parent = nullptr);

    // Rebuilds both lists: the running project, then the waiting ones in queue order; the
    // finished ones newest first.
    void Charger_Listes();
    // While a URL is probed, its field and the add button wait and the status shows the
    // probe's caption.
    void setProbing(bool probing);
    void setProbeStatus(const QString &caption); // "Testing URL...", "Nothing to do"

    QGroupBox *const Frm_Main;
    QGroupBox *const Frm_projects;
    QLineEdit *const Txt_Url;
    QPushButton *const Cmd_add;
    QLabel *const Lbl_Status_H;
    QTreeWidget *const Lst_Main;
    QTreeWidget *const Lst_Main2;

    QMenu *const Mnu_Pas_Finit;
    QAction *const Mnu_Haut;
    QAction *const Mnu_Bas;
    QAction *const Mnu_Cancel;
    QMenu *const Mnu_Finished;
    QAction *const Mnu_Stats;
    QAction *const Mnu_Resume; // a project whose file failed verification starts again
    QAction *const Mnu_Del_Stats;

signals:
    // The add button was pressed (or Enter in the URL field) with this text.
    void addProjectRequested(const QString &url);
    // "Show statistics" on a finished project's row.
    void statisticsRequested(const QString &project);

private:
    void buildMainFrame();
    void buildProjectsFrame();
    void buildMenus();
    QString runningState() const;
    void showRunningState();
    void showStatus();
    void showQueueMenu(const QPoint &position);
    void showFinishedMenu(const QPoint &position);
    const ProjectEntry *queueEntry(int row) const;
    int waitingIndexOf(const QString &name) const;
    int finishedIndexOf(const QString &name) const;
    void selectQueueRow(const QString &name);

    void Mnu_Haut_Click();
    void Mnu_Bas_Click();
    void moveSelected(int offset);
    void Mnu_Cancel_Click();
    void Mnu_Del_Stats_Click();
    void Mnu_Resume_Click();

    ProjectStore &m_store;
    Engine &m_engine;
    MessagePresenter &m_messages;
    // The project of the row that was right-clicked last. The menu entries act on it by
    // name, so a list that changed while the menu or a question was open cannot make them
    // act on another project.
    QString m_menuProject;
    bool m_probing = false;
    QString m_probeCaption = QStringLiteral("Nothing to do");
};
