#pragma once

#include "progress/ProjectStatistics.h"

#include <QDialog>

#include <array>

class GraphView;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabBar;

// The statistics of a finished project ("Stats"): on "Generals" its name, URL, size, download
// time and speeds; on "Graphics" its graph snapshots, three of each series at a time, in the
// order they were taken. "<<" and ">>" page both series together; a shorter series stays on its
// own last page.
class StatsWindow final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatsWindow)

public:
    static constexpr int PageSize = 3;

    StatsWindow(const ProjectPaths &paths, const ProjectEntry &entry, QWidget *parent = nullptr);

    QTabBar *const TabStrip1;
    QGroupBox *const Frm_General;
    QGroupBox *const Frm_Vitesse;
    QGroupBox *const Frm_Graph;
    QLineEdit *const Txt_Project;
    QLineEdit *const Txt_Url;
    QLineEdit *const Txt_Poid_File;
    QLineEdit *const Txt_Time_Download;
    QLineEdit *const Txt_Checksum; // "Verified (SHA-256)", ...
    QLineEdit *const Txt_Vitesse_Max;
    QLineEdit *const Txt_Vitesse_Min;
    QLineEdit *const Txt_Vitesse_m;
    std::array<GraphView *, PageSize> Pict_Stats;  // average speed, series 1
    std::array<GraphView *, PageSize> Pict_Stats2; // instant speed, series 2
    QPushButton *const Cmd_Prec_2;
    QPushButton *const Cmd_For_2;
    QPushButton *const Cmd_Close;

private:
    void buildGeneralFrames();
    void buildGraphFrame();
    void TabStrip1_Click(int index);
    void Cmd_For_2_Click();
    void Cmd_Prec_2_Click();
    void showPage();
    void showSeries(int series, const std::array<GraphView *, PageSize> &boxes);

    const ProjectStatistics m_statistics;
    int m_page = 0; // index of the snapshot in the leftmost boxes
};
