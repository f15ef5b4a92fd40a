#pragma once

#include <QDialog>

class BarOptionsFrame;
class ColourDialog;
class GraphOptionsFrame;
class MainOptionsFrame;
class MessagePresenter;
class QPushButton;
class QTabWidget;
class Settings;

// The options dialog ("Form3"): every setting the user edits, on three pages with live
// previews. Nothing is written before OK, and OK writes nothing while a value is refused.
class OptionsDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OptionsDialog)

public:
    OptionsDialog(Settings &settings, MessagePresenter &messages, QWidget *parent = nullptr);

    // Only the speed limit can be changed, and OK writes it alone.
    void limitOnly();

    QTabWidget *const Choix;
    ColourDialog *const CMD;
    MainOptionsFrame *const Frm_Main;
    BarOptionsFrame *const Frm_Barre;
    GraphOptionsFrame *const Frm_Graph;
    QPushButton *const Cmd_OK;
    QPushButton *const Cmd_Annuler;

private:
    void buildLayout();
    void Cmd_OK_Click();
    void Command1_Click();

    Settings &m_settings;
    bool m_limitOnly = false;
};
