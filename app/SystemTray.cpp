#include "SystemTray.h"

#include "AppResources.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>

SystemTray::SystemTray(QObject *parent)
    : QSystemTrayIcon(parent)
{
    initAppResources();

    // The menu has no parent object; the tray deletes it.
    trayMenu = new QMenu();
    settingsAction = new QAction(QString::fromUtf8("软件设置"), this);
    quitAction = new QAction(QString::fromUtf8("退出程序"), this);
    trayMenu->addAction(settingsAction);
    trayMenu->addAction(quitAction);
    setContextMenu(trayMenu);

    setIcon(QIcon(QStringLiteral(":/images/wqz.ico")));
    setToolTip(QStringLiteral("Sheetsplicer"));

    setVisible(true);

    connect(settingsAction, SIGNAL(triggered()), this, SLOT(ShowUi()));
    connect(quitAction, SIGNAL(triggered()), this, SLOT(UiQuit()));
}

SystemTray::~SystemTray()
{
    delete trayMenu;
}

void SystemTray::UiQuit()
{
    QApplication::quit();
}

void SystemTray::ShowUi()
{
    emit showWidget();
}
