#pragma once

#include <QSystemTrayIcon>

class QAction;
class QMenu;

// The tray icon: a click, a double-click or the menu entry
// "软件设置" asks the window to come back; "退出程序" quits the application.
class SystemTray : public QSystemTrayIcon
{
    Q_OBJECT
public:
    explicit SystemTray(QObject *parent = nullptr);
    ~SystemTray() override;

    QMenu *menu() const { return trayMenu; }

    // The order of these three is part of the description: method indices
    // 0, 1 and 2 of this class.
signals:
    void showWidget();

public slots:
    void UiQuit();
    void ShowUi();

private:
    QMenu *trayMenu;
    QAction *settingsAction;
    QAction *quitAction;
};
