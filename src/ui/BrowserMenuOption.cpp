#include "ui/BrowserMenuOption.h"

#include "platform/BrowserMenu.h"
#include "ui/AboutPage.h"
#include "ui/MessagePresenter.h"

#include <QCheckBox>

namespace {

const QString Information = QStringLiteral("Information");
const QString Error = QStringLiteral("Error");

} // namespace

BrowserMenuOption::BrowserMenuOption(AboutPage &page, BrowserMenu &menu,
                                     const QString &extensionFolder, MessagePresenter &messages,
                                     QObject *parent)
    : QObject(parent), m_page(page), m_menu(menu), m_messages(messages)
{
    m_page.showExtensionFolder(extensionFolder);
    m_page.ChK_IEMenu->setChecked(m_menu.isInstalled());
    // clicked() comes only from the user, so setting the box above runs no handler.
    connect(m_page.ChK_IEMenu, &QCheckBox::clicked, this, &BrowserMenuOption::ChK_IEMenu_Click);
}

void BrowserMenuOption::ChK_IEMenu_Click()
{
    switch (m_menu.toggle()) {
    case BrowserMenu::Outcome::Installed:
        m_messages.information(&m_page, QStringLiteral("The browser menu entry is installed."),
                               Information);
        break;
    case BrowserMenu::Outcome::Removed:
        m_messages.information(&m_page, QStringLiteral("The browser menu entry is removed."),
                               Information);
        break;
    case BrowserMenu::Outcome::NoBrowser:
        m_messages.critical(&m_page,
                            QStringLiteral("No Chromium, Chrome or Firefox profile was found. "
                                           "Start the browser once, then try again."),
                            Error);
        break;
    case BrowserMenu::Outcome::Failed:
        m_messages.critical(&m_page, QStringLiteral("The browser menu entry could not be changed."),
                            Error);
        break;
    }
    m_page.ChK_IEMenu->setChecked(m_menu.isInstalled());
}
