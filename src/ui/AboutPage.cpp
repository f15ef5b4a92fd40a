#include "ui/AboutPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QCheckBox *checkBox(const QString &name, const QString &caption, QWidget *parent)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

} // namespace

AboutPage::AboutPage(QWidget *parent)
    : QWidget(parent), Frm_Infos(new QGroupBox(this)),
      Frm_Infos2(new QGroupBox(QStringLiteral("Options"), this)),
      ChK_Start(checkBox(QStringLiteral("ChK_Start"),
                         QStringLiteral("On start, open automatically the tab named \"Projects\""),
                         Frm_Infos2)),
      ChK_Tray(checkBox(QStringLiteral("ChK_Tray"),
                        QStringLiteral("Use system tray icon (next to the clock)"), Frm_Infos2)),
      ChK_Startwindows(checkBox(QStringLiteral("ChK_Startwindows"),
                                QStringLiteral("Start Quillfetch with windows"), Frm_Infos2)),
      ChK_IEMenu(checkBox(QStringLiteral("ChK_IEMenu"),
                          QStringLiteral("Add to the browsers' link menu"), Frm_Infos2)),
      Lbl_Extension(new QLabel(Frm_Infos2))
{
    Frm_Infos->setObjectName(QStringLiteral("Frm_Infos"));
    Frm_Infos2->setObjectName(QStringLiteral("Frm_Infos2"));
    buildInfos();
    buildOptions();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frm_Infos);
    layout->addWidget(Frm_Infos2);
    layout->addStretch();
}

void AboutPage::buildInfos()
{
    auto *name =
        new QLabel(QStringLiteral("Quillfetch %1").arg(QStringLiteral(QF_VERSION)), Frm_Infos);
    QFont large = name->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    name->setFont(large);

    auto *summary = new QLabel(
        QStringLiteral("A download accelerator for HTTP and FTP servers. It fetches a file in "
                       "packs over up to four connections at once, keeps a queue of projects "
                       "and resumes an interrupted download where it stopped."),
        Frm_Infos);
    summary->setWordWrap(true);
    auto *systems = new QLabel(QStringLiteral("Runs on Linux and Windows."), Frm_Infos);

    auto *layout = new QVBoxLayout(Frm_Infos);
    layout->addWidget(name);
    layout->addWidget(summary);
    layout->addWidget(systems);
}

void AboutPage::buildOptions()
{
    auto *layout = new QVBoxLayout(Frm_Infos2);
    layout->addWidget(ChK_Start);
    layout->addWidget(ChK_Tray);
    layout->addWidget(ChK_Startwindows);
    layout->addWidget(ChK_IEMenu);
    Lbl_Extension->setObjectName(QStringLiteral("Lbl_Extension"));
    Lbl_Extension->setWordWrap(true);
    Lbl_Extension->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(Lbl_Extension);
}

void AboutPage::showExtensionFolder(const QString &folder)
{
    Lbl_Extension->setText(
        QStringLiteral("Then load the extension once: in Chromium or Chrome, chrome://extensions, "
                       "Developer mode, \"Load unpacked\"; in Firefox, about:debugging.\n"
                       "Folder to load: %1")
            .arg(folder));
}
