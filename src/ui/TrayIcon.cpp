#include "ui/TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

TrayIcon::TrayIcon(const QIcon &icon, QObject *parent)
    : QObject(parent), Mnu_Tray(new QMenu), Mnu_Show(Mnu_Tray->addAction(QStringLiteral("Show"))),
      Mnu_Quittement(new QAction(QStringLiteral("Exit"), Mnu_Tray)),
      m_icon(new QSystemTrayIcon(icon, this))
{
    Mnu_Tray->setObjectName(QStringLiteral("Mnu_Tray"));
    Mnu_Show->setObjectName(QStringLiteral("Mnu_Show"));
    Mnu_Tray->addSeparator();
    Mnu_Quittement->setObjectName(QStringLiteral("Mnu_Quittement"));
    Mnu_Tray->addAction(Mnu_Quittement);
    m_icon->setContextMenu(Mnu_Tray);

    connect(Mnu_Show, &QAction::triggered, this, &TrayIcon::showRequested);
    connect(Mnu_Quittement, &QAction::triggered, this, &TrayIcon::exitRequested);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    emit showRequested();
            });
}

// The menu has no parent widget (the icon is not a widget), so it is deleted here.
TrayIcon::~TrayIcon()
{
    delete Mnu_Tray;
}

void TrayIcon::Ajoute_Icone(const QString &tip)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_icon->setToolTip(tip);
    m_icon->show();
}

void TrayIcon::Modifie_Icone(const QString &tip)
{
    m_icon->setToolTip(tip);
}

void TrayIcon::Supprime_Icone()
{
    m_icon->hide();
}

bool TrayIcon::isShown() const
{
    return m_icon->isVisible();
}

void TrayIcon::notify(const QString &title, const QString &text)
{
    if (isShown())
        m_icon->showMessage(title, text, QSystemTrayIcon::Information);
}
