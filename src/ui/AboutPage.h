#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;

// The "About" tab: the product, its version and systems, and the options that act at once.
// The window that owns the page reacts to the check boxes.
class AboutPage final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutPage)

public:
    explicit AboutPage(QWidget *parent = nullptr);

    // The two lines under ChK_IEMenu: how to load the browser extension, and from where.
    void showExtensionFolder(const QString &folder);

    QGroupBox *const Frm_Infos;
    QGroupBox *const Frm_Infos2;
    QCheckBox *const ChK_Start;
    QCheckBox *const ChK_Tray;
    QCheckBox *const ChK_Startwindows;
    QCheckBox *const ChK_IEMenu;
    QLabel *const Lbl_Extension;

private:
    void buildInfos();
    void buildOptions();
};
