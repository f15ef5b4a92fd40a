#pragma once

#include <QObject>

class QAction;
class QIcon;
class QMenu;
class QSystemTrayIcon;

// The notification-area icon with its menu "Show" / "Exit". Where the desktop has no
// notification area the icon is never shown and isShown() stays false.
class TrayIcon final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayIcon)

public:
    TrayIcon(const QIcon &icon, QObject *parent);
    ~TrayIcon() override;

    void Ajoute_Icone(const QString &tip);
    void Modifie_Icone(const QString &tip);
    void Supprime_Icone();
    bool isShown() const;
    // A desktop notification from the icon; none while the icon is not shown. Never waits.
    void notify(const QString &title, const QString &text);

    QMenu *const Mnu_Tray;
    QAction *const Mnu_Show;
    QAction *const Mnu_Quittement;

signals:
    void showRequested();
    void exitRequested();

private:
    QSystemTrayIcon *const m_icon;
};
