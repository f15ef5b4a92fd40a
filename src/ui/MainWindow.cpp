#include "ui/MainWindow.h"

#include "display/RunDisplay.h"
#include "engine/Engine.h"
#include "options/Settings.h"
#include "platform/Autostart.h"
#include "progress/DisplayText.h"
#include "store/ProjectStore.h"
#include "ui/AboutPage.h"
#include "ui/AppIcon.h"
#include "ui/DownloadPage.h"
#include "ui/MessagePresenter.h"
#include "ui/NoticeWindow.h"
#include "ui/ProjectsPage.h"
#include "ui/StatsWindow.h"
#include "ui/TrayIcon.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QTabWidget>

#include <algorithm>

namespace {

const QString ProgramTitle = QStringLiteral("Quillfetch");
const QString StartedWithSession = QStringLiteral("-Startwin-");
constexpr int ProjectsTab = 1;
constexpr int DownloadTab = 2;

} // namespace

MainWindow::MainWindow(const MainWindowContext &context, QWidget *parent)
    : QMainWindow(parent), Menu(new QTabWidget(this)),
      Mnu_Options(new QAction(QStringLiteral("Op&tions..."), this)),
      Mnu_Exit(new QAction(QStringLiteral("&Exit"), this)), m_settings(context.settings),
      m_store(context.store), m_engine(context.engine), m_display(context.display),
      m_autostart(context.autostart), m_messages(context.messages),
      m_programFolder(context.programFolder), m_arguments(context.arguments),
      m_about(new AboutPage(Menu)),
      m_projects(new ProjectsPage(context.store, context.engine, context.messages, Menu)),
      m_download(new DownloadPage(Menu)), m_tray(new TrayIcon(quillfetchIcon(), this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ProgramTitle);
    setWindowIcon(quillfetchIcon());
    Menu->setObjectName(QStringLiteral("Menu"));
    Menu->addTab(m_about, QStringLiteral("About"));
    Menu->addTab(m_projects, QStringLiteral("Projects"));
    Menu->addTab(m_download, QStringLiteral("Download"));
    setCentralWidget(Menu);
    resize(QSize(fontMetrics().averageCharWidth() * 110, fontMetrics().lineSpacing() * 42)
               .expandedTo(sizeHint()));
    restoreGeometry(m_settings.windowGeometry());
    buildMenuBar();
    connectPages();
    connectEngine();
    showBarColours();
    applySpeedLimit();

    Timer_load.setObjectName(QStringLiteral("Timer_load"));
    Timer_load.setSingleShot(true);
    Timer_load.setInterval(LoadDelayMs);
    connect(&Timer_load, &QTimer::timeout, this, &MainWindow::Timer_load_Tick);
    Timer_load.start();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenuBar()
{
    QMenu *files = menuBar()->addMenu(QStringLiteral("&Files"));
    files->setObjectName(QStringLiteral("Mnu_Files"));
    Mnu_Options->setObjectName(QStringLiteral("Mnu_Options"));
    Mnu_Exit->setObjectName(QStringLiteral("Mnu_Exit"));
    files->addAction(Mnu_Options);
    files->addSeparator();
    files->addAction(Mnu_Exit);
    connect(Mnu_Options, &QAction::triggered, this, &MainWindow::Mnu_Options_Click);
    connect(Mnu_Exit, &QAction::triggered, this, &QWidget::close);
}

void MainWindow::connectPages()
{
    // clicked() comes only from the user, so setting the boxes at start-up runs no handler.
    connect(m_about->ChK_Tray, &QCheckBox::clicked, this, &MainWindow::ChK_Tray_Click);
    connect(m_about->ChK_Start, &QCheckBox::clicked, this, &MainWindow::ChK_Start_Click);
    connect(m_about->ChK_Startwindows, &QCheckBox::clicked, this,
            &MainWindow::ChK_Startwindows_Click);
    connect(m_projects, &ProjectsPage::addProjectRequested, this, &MainWindow::addProjectRequested);
    connect(m_projects, &ProjectsPage::statisticsRequested, this, &MainWindow::showStatistics);
    connect(m_tray, &TrayIcon::showRequested, this, &MainWindow::restoreWindow);
    connect(m_tray, &TrayIcon::exitRequested, this, &QWidget::close);
}

void MainWindow::connectEngine()
{
    m_download->connectEngine(m_engine);
    m_download->connectCaptions(m_display.captions());
    m_download->connectGraphs(m_display.graphs());
    connect(&m_display.snapshots(), &GraphSnapshots::writeFailed, m_download->Lbl_Status_B,
            &QLabel::setText);
    connect(&m_display.captions(), &RunCaptions::titleChanged, this, &MainWindow::setTitle);
    connect(&m_engine, &Engine::listsChanged, this, &MainWindow::Charger_Listes);
    // A run shows the Download tab; a finished project, the list it joins.
    connect(&m_engine, &Engine::runStarted, this, [this] { Menu->setCurrentIndex(DownloadTab); });
    connect(&m_engine, &Engine::runStarted, this, &MainWindow::showBarColours);
    connect(&m_engine, &Engine::projectFinished, this,
            [this] { Menu->setCurrentIndex(ProjectsTab); });
    connect(&m_engine, &Engine::verificationFailed, this,
            [this](const QString &, const QString &text, const QString &title) {
                Menu->setCurrentIndex(ProjectsTab);
                m_messages.critical(this, text, title);
            });
    connect(&m_engine, &Engine::messageRequested, this, &MainWindow::showEngineMessage);
    connect(&m_engine, &Engine::projectFinished, this, &MainWindow::notifyFinished);
    connect(&m_engine, &Engine::listsChanged, this, &MainWindow::showFirstRunWhenIdle,
            Qt::QueuedConnection);
    connect(&m_engine, &Engine::queueEmpty, this, &MainWindow::showFirstRunWhenIdle);
}

// The bars take the colours of the settings, which are the running project's own once it runs.
void MainWindow::showBarColours()
{
    m_download->setColours(m_settings.colour(Settings::Colour::MainBarBack),
                           m_settings.colour(Settings::Colour::MainBarFore),
                           m_settings.colour(Settings::Colour::SecBarBack),
                           m_settings.colour(Settings::Colour::SecBarFore));
}

void MainWindow::Charger_Listes()
{
    m_projects->Charger_Listes();
}

void MainWindow::restoreWindow()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MainWindow::holdForDialog(bool held)
{
    setEnabled(!held);
    m_engine.setStartHeld(held);
}

void MainWindow::applySpeedLimit()
{
    m_engine.setSpeedLimit(m_settings.speedLimit());
}

void MainWindow::Timer_load_Tick()
{
    holdForDialog(true);
    NoticeWindow Form6(QStringLiteral("Form6"), QStringLiteral("Please wait..."),
                       QStringLiteral("Quillfetch is loading..."), this);
    Form6.show();
    Charger_Projets();
    holdForDialog(false);
    Form6.setMayClose(true);
    Form6.close();

    if (m_arguments == QStringList{StartedWithSession})
        setWindowState(windowState() | Qt::WindowMinimized);
    m_firstRunPending = m_optionsMissing;
    showFirstRunWhenIdle();
    emit startupFinished();
}

// The first run asks for the options. A download resumed at start-up holds the options back,
// so the request waits until no project runs and no dialog is open, then comes once.
void MainWindow::showFirstRunWhenIdle()
{
    if (!m_firstRunPending || m_shuttingDown || !isEnabled() || !m_store.running().isEmpty())
        return;
    m_firstRunPending = false;
    if (!m_settings.optionsMissing()) // configured through the menu in the meantime
        return;
    m_messages.information(this,
                           QStringLiteral("Quillfetch has detected that you have not "
                                          "configured your options. Please config them "
                                          "before downloading !"),
                           ProgramTitle);
    if (!m_shuttingDown)
        Mnu_Options_Click();
}

void MainWindow::Charger_Projets()
{
    m_download->ReInit();
    m_optionsMissing = m_settings.optionsMissing();
    m_settings.setAppPath(m_programFolder);
    m_settings.sync();
    m_store.ensureProjectsFolder();

    m_about->ChK_Startwindows->setChecked(m_autostart.isEnabled());
    m_about->ChK_Tray->setChecked(m_settings.tray());
    m_trayFlag = m_about->ChK_Tray->isChecked();
    if (m_trayFlag)
        m_tray->Ajoute_Icone(windowTitle());
    m_about->ChK_Start->setChecked(m_settings.onStartTab());

    m_store.load();
    Charger_Listes();
    for (const QString &path : m_store.unreadableFiles())
        m_messages.critical(
            this, QStringLiteral("Unable to read the file ") + path + QStringLiteral(" !"),
            QStringLiteral("Error"));
    // A project left running by the last run (status 0) continues; otherwise the queue starts.
    if (!m_store.running().isEmpty()) {
        m_engine.resumeInterrupted();
        return;
    }
    if (m_about->ChK_Start->isChecked())
        Menu->setCurrentIndex(ProjectsTab);
    m_engine.startQueue();
}

void MainWindow::ChK_Tray_Click(bool checked)
{
    m_trayFlag = checked;
    if (checked)
        m_tray->Ajoute_Icone(windowTitle());
    else
        m_tray->Supprime_Icone();
    m_settings.setTray(checked);
    m_settings.sync();
}

void MainWindow::ChK_Start_Click(bool checked)
{
    m_settings.setOnStartTab(checked);
    m_settings.sync();
}

// The entry on disk decides between writing and removing; the box then shows the result.
void MainWindow::ChK_Startwindows_Click()
{
    m_autostart.toggle();
    m_about->ChK_Startwindows->setChecked(m_autostart.isEnabled());
}

// The other options belong to the running project: only its speed limit can change.
void MainWindow::Mnu_Options_Click()
{
    emit optionsRequested(!m_store.running().isEmpty());
}

void MainWindow::showEngineMessage(const QString &text, const QString &title)
{
    if (title == QStringLiteral("Error"))
        m_messages.critical(this, text, title);
    else
        m_messages.information(this, text, title);
}

void MainWindow::setTitle(const QString &title)
{
    setWindowTitle(title);
    m_tray->Modifie_Icone(title);
}

// "setup - 12.40 Mb": the finished list holds the size of the project just completed.
void MainWindow::notifyFinished(const QString &project, const QString &filePath)
{
    const QList<ProjectEntry> &finished = m_store.finished();
    const auto entry =
        std::find_if(finished.crbegin(), finished.crend(),
                     [&project](const ProjectEntry &e) { return e.name == project; });
    if (entry != finished.crend())
        m_tray->notify(QStringLiteral("Download complete"),
                       project + QStringLiteral(" - ") + Format_Taille(entry->size) +
                           QStringLiteral("\nSaved as ") + QFileInfo(filePath).fileName());
}

// The statistics window takes over until it is closed.
void MainWindow::showStatistics(const QString &project)
{
    for (const ProjectEntry &entry : m_store.finished()) {
        if (entry.name != project)
            continue;
        auto *Stats = new StatsWindow(m_store.paths(), entry);
        connect(Stats, &QDialog::finished, this, [this] { holdForDialog(false); });
        holdForDialog(true);
        Stats->show();
        return;
    }
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // With the icon in the notification area, a minimised window leaves the task bar.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_trayFlag &&
        m_tray->isShown())
        QTimer::singleShot(0, this, &QWidget::hide);
}

// Closing the window is the shutdown: it runs once, after the notice is on screen, and the
// window stays until the owner ends the program.
void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_shutdownDone) {
        event->accept();
        return;
    }
    event->ignore();
    beginShutdown();
}

void MainWindow::beginShutdown()
{
    if (m_shuttingDown)
        return;
    m_shuttingDown = true;
    Timer_load.stop();
    holdForDialog(true);
    Form5 =
        new NoticeWindow(QStringLiteral("Form5"), QStringLiteral("Quillfetch is shutting down..."),
                         QStringLiteral("Please wait..."), this);
    Form5->show();
    QTimer::singleShot(0, this, &MainWindow::finishShutdown);
}

void MainWindow::finishShutdown()
{
    m_engine.shutdown();
    m_display.snapshots().saveFinal();
    m_tray->Supprime_Icone();
    m_settings.setWindowGeometry(saveGeometry());
    m_settings.sync();
    m_shutdownDone = true;
    emit shutdownComplete();
}
