#include "ui/ProjectsPage.h"

#include "engine/Engine.h"
#include "progress/DisplayText.h"
#include "store/ProjectStore.h"
#include "ui/MessagePresenter.h"
#include "ui/QueueMenuRules.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidget *projectList(const QString &name, QWidget *parent)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAlternatingRowColors(true);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->setHeaderLabels({QString(), QStringLiteral("Project"), QStringLiteral("URL"),
                           QStringLiteral("Size"), QStringLiteral("Status")});
    QHeaderView *header = list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->setSectionResizeMode(2, QHeaderView::Stretch);
    const int character = list->fontMetrics().averageCharWidth();
    list->setColumnWidth(0, list->iconSize().width() > 0 ? list->iconSize().width() + 12
                                                         : character * 3 + 12);
    list->setColumnWidth(1, character * 22);
    list->setColumnWidth(3, character * 12);
    list->setColumnWidth(4, list->fontMetrics().horizontalAdvance(QStringLiteral("Downloading")) +
                                character * 4);
    return list;
}

QAction *menuEntry(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

QMenu *popupMenu(const QString &name, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(name);
    return menu;
}

void addRow(QTreeWidget *list, const ProjectEntry &entry, const QString &status)
{
    auto *item = new QTreeWidgetItem(
        list, {QString(), entry.name, entry.url, Format_Taille(entry.size), status});
    item->setIcon(0, list->style()->standardIcon(QStyle::SP_ArrowDown));
    item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    item->setToolTip(2, entry.url);
}

} // namespace

ProjectsPage::ProjectsPage(ProjectStore &store, Engine &engine, MessagePresenter &messages,
                           QWidget *parent)
    : QWidget(parent), Frm_Main(new QGroupBox(QStringLiteral("Main menu"), this)),
      Frm_projects(new QGroupBox(QStringLiteral("Projects"), this)),
      Txt_Url(new QLineEdit(Frm_Main)),
      Cmd_add(new QPushButton(QStringLiteral("Add project"), Frm_Main)),
      Lbl_Status_H(new QLabel(Frm_Main)),
      Lst_Main(projectList(QStringLiteral("Lst_Main"), Frm_projects)),
      Lst_Main2(projectList(QStringLiteral("Lst_Main2"), Frm_projects)),
      Mnu_Pas_Finit(popupMenu(QStringLiteral("Mnu_Pas_Finit"), this)),
      Mnu_Haut(menuEntry(Mnu_Pas_Finit, QStringLiteral("Mnu_Haut"), QStringLiteral("Move up"))),
      Mnu_Bas(menuEntry(Mnu_Pas_Finit, QStringLiteral("Mnu_Bas"), QStringLiteral("Move down"))),
      Mnu_Cancel(new QAction(QStringLiteral("Cancel project"), Mnu_Pas_Finit)),
      Mnu_Finished(popupMenu(QStringLiteral("Mnu_Finished"), this)),
      Mnu_Stats(
          menuEntry(Mnu_Finished, QStringLiteral("Mnu_Stats"), QStringLiteral("Show statistics"))),
      Mnu_Resume(menuEntry(Mnu_Finished, QStringLiteral("Mnu_Resume"), QStringLiteral("Resume"))),
      Mnu_Del_Stats(new QAction(QStringLiteral("Delete statistics"), Mnu_Finished)), m_store(store),
      m_engine(engine), m_messages(messages)
{
    Frm_Main->setObjectName(QStringLiteral("Frm_Main"));
    Frm_projects->setObjectName(QStringLiteral("Frm_projects"));
    Txt_Url->setObjectName(QStringLiteral("Txt_Url"));
    Cmd_add->setObjectName(QStringLiteral("Cmd_add"));
    Lbl_Status_H->setObjectName(QStringLiteral("Lbl_Status_H"));
    buildMainFrame();
    buildProjectsFrame();
    buildMenus();
    showStatus();
    connect(&m_engine, &Engine::pausedChanged, this, &ProjectsPage::showRunningState);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frm_Main);
    layout->addWidget(Frm_projects, 1);
}

void ProjectsPage::buildMainFrame()
{
    Txt_Url->setPlaceholderText(QStringLiteral("http://... or ftp://..."));
    Txt_Url->setMinimumWidth(Txt_Url->fontMetrics().averageCharWidth() * 40);
    connect(Txt_Url, &QLineEdit::returnPressed, Cmd_add, &QPushButton::click);
    connect(Cmd_add, &QPushButton::clicked, this,
            [this] { emit addProjectRequested(Txt_Url->text()); });

    auto *caption = new QLabel(QStringLiteral("New projects:"), Frm_Main);
    caption->setBuddy(Txt_Url);
    auto *entry = new QHBoxLayout;
    entry->addWidget(caption);
    entry->addWidget(Txt_Url, 1);
    entry->addWidget(Cmd_add);
    auto *layout = new QVBoxLayout(Frm_Main);
    layout->addLayout(entry);
    layout->addWidget(Lbl_Status_H);
}

void ProjectsPage::buildProjectsFrame()
{
    auto *layout = new QVBoxLayout(Frm_projects);
    layout->addWidget(new QLabel(QStringLiteral("Downloading and waiting:"), Frm_projects));
    layout->addWidget(Lst_Main, 1);
    layout->addWidget(new QLabel(QStringLiteral("Finished:"), Frm_projects));
    layout->addWidget(Lst_Main2, 1);
}

void ProjectsPage::buildMenus()
{
    Mnu_Pas_Finit->addSeparator();
    Mnu_Cancel->setObjectName(QStringLiteral("Mnu_Cancel"));
    Mnu_Pas_Finit->addAction(Mnu_Cancel);
    // The statistics window comes later; until then its entry cannot be chosen.
    Mnu_Finished->addSeparator();
    Mnu_Del_Stats->setObjectName(QStringLiteral("Mnu_Del_Stats"));
    Mnu_Finished->addAction(Mnu_Del_Stats);

    connect(Lst_Main, &QWidget::customContextMenuRequested, this, &ProjectsPage::showQueueMenu);
    connect(Lst_Main2, &QWidget::customContextMenuRequested, this, &ProjectsPage::showFinishedMenu);
    connect(Mnu_Haut, &QAction::triggered, this, &ProjectsPage::Mnu_Haut_Click);
    connect(Mnu_Bas, &QAction::triggered, this, &ProjectsPage::Mnu_Bas_Click);
    connect(Mnu_Cancel, &QAction::triggered, this, &ProjectsPage::Mnu_Cancel_Click);
    connect(Mnu_Del_Stats, &QAction::triggered, this, &ProjectsPage::Mnu_Del_Stats_Click);
    connect(Mnu_Resume, &QAction::triggered, this, &ProjectsPage::Mnu_Resume_Click);
    connect(Mnu_Stats, &QAction::triggered, this,
            [this] { emit statisticsRequested(m_menuProject); });
}

void ProjectsPage::Charger_Listes()
{
    Lst_Main->clear();
    Lst_Main2->clear();
    if (!m_store.running().isEmpty())
        addRow(Lst_Main, m_store.running().constFirst(), runningState());
    for (const ProjectEntry &entry : m_store.waiting())
        addRow(Lst_Main, entry, QStringLiteral("Waiting"));
    const QList<ProjectEntry> &finished = m_store.finished();
    for (auto entry = finished.crbegin(); entry != finished.crend(); ++entry)
        addRow(Lst_Main2, *entry,
               entry->failedVerification ? QStringLiteral("Failed verification")
                                         : QStringLiteral("Finished"));
    showStatus();
}

void ProjectsPage::setProbing(bool probing)
{
    m_probing = probing;
    Txt_Url->setEnabled(!probing);
    Cmd_add->setEnabled(!probing);
    showStatus();
}

void ProjectsPage::setProbeStatus(const QString &caption)
{
    m_probeCaption = caption;
    showStatus();
}

QString ProjectsPage::runningState() const
{
    return m_engine.isPaused() ? QStringLiteral("Paused") : QStringLiteral("Downloading");
}

// Row 1 is the running project's.
void ProjectsPage::showRunningState()
{
    if (!m_store.running().isEmpty() && Lst_Main->topLevelItemCount() > 0)
        Lst_Main->topLevelItem(0)->setText(4, runningState());
    showStatus();
}

// The probe's caption while it probes or no project runs; otherwise what the running project
// does ("Downloading: setup"), never an idle caption during a download.
void ProjectsPage::showStatus()
{
    const QList<ProjectEntry> &running = m_store.running();
    if (m_probing || running.isEmpty())
        Lbl_Status_H->setText(m_probeCaption);
    else
        Lbl_Status_H->setText(runningState() + QStringLiteral(": ") + running.constFirst().name);
}

// Row 1 is the running project whenever the running list is not empty: the same condition
// that put it there in Charger_Listes.
const ProjectEntry *ProjectsPage::queueEntry(int row) const
{
    const bool running = !m_store.running().isEmpty();
    if (running && row == 1)
        return &m_store.running().constFirst();
    const int index = row - (running ? 2 : 1);
    if (index < 0 || index >= m_store.waiting().size())
        return nullptr;
    return &m_store.waiting().at(index);
}

void ProjectsPage::showQueueMenu(const QPoint &position)
{
    QTreeWidgetItem *item = Lst_Main->itemAt(position);
    if (item == nullptr)
        return;
    const int row = Lst_Main->indexOfTopLevelItem(item) + 1;
    const ProjectEntry *entry = queueEntry(row);
    if (entry == nullptr)
        return;
    Lst_Main->setCurrentItem(item);
    m_menuProject = entry->name;
    const QueueMenuRules rules =
        QueueMenuRules::forRow(row, Lst_Main->topLevelItemCount(), !m_store.running().isEmpty());
    Mnu_Haut->setEnabled(rules.moveUp);
    Mnu_Bas->setEnabled(rules.moveDown);
    Mnu_Cancel->setEnabled(rules.cancel);
    Mnu_Pas_Finit->popup(Lst_Main->viewport()->mapToGlobal(position));
}

void ProjectsPage::showFinishedMenu(const QPoint &position)
{
    QTreeWidgetItem *item = Lst_Main2->itemAt(position);
    if (item == nullptr)
        return;
    const int index = m_store.finished().size() - (Lst_Main2->indexOfTopLevelItem(item) + 1);
    if (index < 0 || index >= m_store.finished().size())
        return;
    Lst_Main2->setCurrentItem(item);
    m_menuProject = m_store.finished().at(index).name;
    Mnu_Resume->setEnabled(m_store.finished().at(index).failedVerification);
    Mnu_Finished->popup(Lst_Main2->viewport()->mapToGlobal(position));
}

int ProjectsPage::waitingIndexOf(const QString &name) const
{
    const QList<ProjectEntry> &waiting = m_store.waiting();
    for (int index = 0; index < waiting.size(); ++index) {
        if (waiting.at(index).name == name)
            return index;
    }
    return -1;
}

int ProjectsPage::finishedIndexOf(const QString &name) const
{
    const QList<ProjectEntry> &finished = m_store.finished();
    for (int index = 0; index < finished.size(); ++index) {
        if (finished.at(index).name == name)
            return index;
    }
    return -1;
}

void ProjectsPage::selectQueueRow(const QString &name)
{
    for (int row = 0; row < Lst_Main->topLevelItemCount(); ++row) {
        if (Lst_Main->topLevelItem(row)->text(1) == name)
            Lst_Main->setCurrentItem(Lst_Main->topLevelItem(row));
    }
}

void ProjectsPage::Mnu_Haut_Click()
{
    moveSelected(-1);
}

void ProjectsPage::Mnu_Bas_Click()
{
    moveSelected(+1);
}

void ProjectsPage::moveSelected(int offset)
{
    const int from = waitingIndexOf(m_menuProject);
    const int to = from + offset;
    if (from < 0 || to < 0 || to >= m_store.waiting().size())
        return;
    m_store.moveWaiting(from, to);
    Charger_Listes();
    selectQueueRow(m_menuProject);
}

void ProjectsPage::Mnu_Cancel_Click()
{
    const QString name = m_menuProject;
    if (!m_messages.question(window(),
                             QStringLiteral("Do you really want to cancel project: %1 ?").arg(name),
                             QStringLiteral("Cancel ?")))
        return;
    // The lists may have changed while the question was open: look the project up again.
    const bool isRunning =
        !m_store.running().isEmpty() && m_store.running().constFirst().name == name;
    if (isRunning) {
        // The engine stops the download, resets the display and starts the next project.
        m_engine.cancelRunning();
        m_store.cancel(name);
    } else if (waitingIndexOf(name) >= 0) {
        m_store.cancel(name);
    }
    Charger_Listes();
}

void ProjectsPage::Mnu_Del_Stats_Click()
{
    const QString name = m_menuProject;
    if (!m_messages.question(
            window(),
            QStringLiteral("Do you really want to delete the statistics of %1 ?").arg(name),
            QStringLiteral("Delete ?")))
        return;
    const int index = finishedIndexOf(name);
    if (index >= 0)
        m_store.deleteFinished(index);
    Charger_Listes();
}

// The file failed verification: the project starts again from zero, at the end of the queue.
void ProjectsPage::Mnu_Resume_Click()
{
    m_store.restartFailed(m_menuProject);
    Charger_Listes();
}
