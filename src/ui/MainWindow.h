#pragma once

#include <QMainWindow>
#include <QStringList>
#include <QTimer>

class AboutPage;
class Autostart;
class DownloadPage;
class Engine;
class MessagePresenter;
class NoticeWindow;
class ProjectStore;
class ProjectsPage;
class QAction;
class QTabWidget;
class RunDisplay;
class Settings;
class TrayIcon;

// What the main window works with. The composition root owns all of it.
struct MainWindowContext
{
    Settings &settings;
    ProjectStore &store;
    Engine &engine;
    RunDisplay &display; // the captions of the engine's runs, their graphs and snapshots
    Autostart &autostart;
    MessagePresenter &messages;
    QString programFolder; // recorded as AppPath, so the hand-off client can start us
    QStringList arguments; // the command line without the program
};

// The program's only permanent window ("Form1"): the tabs "About", "Projects" and "Download",
// the "&Files" menu, the notification-area icon, the deferred start-up and the shutdown.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    static constexpr int LoadDelayMs = 100;

    explicit MainWindow(const MainWindowContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    AboutPage *aboutPage() const { return m_about; }
    ProjectsPage *projectsPage() const { return m_projects; }

    void Charger_Listes();
    // Normal state, visible, in front with the focus.
    void restoreWindow();
    // A dialog that takes over disables the window and holds the start of the next project
    // until it is closed.
    void holdForDialog(bool held);
    // The speed limit of the settings holds from now on, for the running download too.
    void applySpeedLimit();

    QTabWidget *const Menu;
    QAction *const Mnu_Options;
    QAction *const Mnu_Exit;

signals:
    // The add button (or Enter in the URL field) with the URL typed.
    void addProjectRequested(const QString &url);
    // The options entry was chosen: the options dialog is to open; while a project runs, for
    // its speed limit only.
    void optionsRequested(bool limitOnly);
    // The deferred start-up has run (store loaded, lists shown, queue started or resumed).
    void startupFinished();
    // Every connection is closed and the state recorded: the program may end.
    void shutdownComplete();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildMenuBar();
    void connectPages();
    void connectEngine();
    void showBarColours();
    void Timer_load_Tick();
    void Charger_Projets();
    void ChK_Tray_Click(bool checked);
    void ChK_Start_Click(bool checked);
    void ChK_Startwindows_Click();
    void Mnu_Options_Click();
    void showFirstRunWhenIdle();
    void showEngineMessage(const QString &text, const QString &title);
    void setTitle(const QString &title);
    void notifyFinished(const QString &project, const QString &filePath);
    void showStatistics(const QString &project);
    void beginShutdown();
    void finishShutdown();

    Settings &m_settings;
    ProjectStore &m_store;
    Engine &m_engine;
    RunDisplay &m_display;
    Autostart &m_autostart;
    MessagePresenter &m_messages;
    const QString m_programFolder;
    const QStringList m_arguments;

    AboutPage *const m_about;
    ProjectsPage *const m_projects;
    DownloadPage *const m_download;
    TrayIcon *const m_tray;
    QTimer Timer_load;
    NoticeWindow *Form5 = nullptr;
    bool m_optionsMissing = false;
    bool m_firstRunPending = false;
    bool m_trayFlag = false;
    bool m_shuttingDown = false;
    bool m_shutdownDone = false;
};
