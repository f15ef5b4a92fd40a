#pragma once

#include <QObject>

class AboutPage;
class BrowserMenu;
class MessagePresenter;

// The box "Add to the browsers' link menu" (ChK_IEMenu) of the "About" tab: it shows whether the
// host manifests are on disk, writes or removes them when clicked and says what came of it.
// The page also tells how to load the extension, and from which folder.
class BrowserMenuOption final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrowserMenuOption)

public:
    BrowserMenuOption(AboutPage &page, BrowserMenu &menu, const QString &extensionFolder,
                      MessagePresenter &messages, QObject *parent = nullptr);

private:
    void ChK_IEMenu_Click();

    AboutPage &m_page;
    BrowserMenu &m_menu;
    MessagePresenter &m_messages;
};
