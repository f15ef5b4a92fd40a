#pragma once

#include <QWidget>

class Engine;
class GraphView;
class LiveGraphs;
class PercentBar;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class RunCaptions;

// The "Download" tab: what the running download is doing (pack plan, sizes, times, speeds, the
// bars of the whole file and of each connection) and the pause/resume button. It shows the
// captions of the engine's runs and turns the button into engine calls.
class DownloadPage final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadPage)

public:
    explicit DownloadPage(QWidget *parent = nullptr);

    void connectEngine(Engine &engine);
    void connectCaptions(RunCaptions &captions);
    // The live graphs, and the modem switch that redraws them.
    void connectGraphs(LiveGraphs &graphs);
    // Puts every progress and speed display back to its idle state.
    void ReInit();
    void setColours(const QColor &mainBack, const QColor &mainFore, const QColor &slotBack,
                    const QColor &slotFore);

    // Connection slots are numbered 1 to 4.
    PercentBar *slotBar(int slot) const;
    QLabel *slotLabel(int slot) const;

    QGroupBox *const Frm_Download;
    QGroupBox *const Frm_Graph;
    QLabel *const Lbl_Paquet;
    QLabel *const Lbl_Paquet_2;
    QLabel *const Lbl_Taille;
    QLabel *const Lbl_Taille2;
    QLabel *const Lbl_Vitesse_I;
    QLabel *const Lbl_Vitesse_I2;
    QLabel *const Lbl_Vitesse_M;
    QLabel *const Lbl_Vitesse_M2;
    QLabel *const Lbl_Vitesse_MM;
    QLabel *const Lbl_Time;
    QLabel *const Lbl_Time_R;
    QLabel *const Lbl_Status_B;
    QPushButton *const Cmd_Action;
    PercentBar *const Barre;
    PercentBar *const Barre1;
    PercentBar *const Barre2;
    PercentBar *const Barre3;
    PercentBar *const Barre4;
    QLabel *const Lbl_Status_w1;
    QLabel *const Lbl_Status_w2;
    QLabel *const Lbl_Status_w3;
    QLabel *const Lbl_Status_w4;
    GraphView *const Graph;
    GraphView *const Graph2;
    QCheckBox *const Chk_modem;

private:
    void buildDownloadFrame();
    void buildGraphFrame();
    void addCaptioned(QGridLayout *layout, int row, int column, const QString &caption,
                      QWidget *value, int valueSpan = 1);
    void setAverageSpeed(const QString &speed, const QString &bits);
    void setInstantSpeed(const QString &speed, const QString &bits);
};
