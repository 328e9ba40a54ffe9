#pragma once

// Helpers of the window tests on the offscreen platform.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <QtGlobal>

namespace WindowTestSupport {

inline QtMessageHandler &previousHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

// The offscreen platform has no tray and no window manager, and says so for
// every window; those notes are left out of the test log.
inline void offscreenNotesHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support"))
        || message.startsWith(QLatin1String("QObject::connect: No such signal QPlatformNativeInterface")))
        return;
    if (previousHandler())
        previousHandler()(type, context, message);
}

inline void quietOffscreenNotes()
{
    previousHandler() = qInstallMessageHandler(offscreenNotesHandler);
}

inline void restoreMessageHandler()
{
    qInstallMessageHandler(previousHandler());
}

// The named child of a window; a warning in the log when there is none.
template<typename T>
T *widget(const QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qWarning("no widget %s", name);
    return found;
}

// Answers the next question box with `button` once it is open, and keeps
// its text in `asked`.
inline void answerNextQuestion(QMessageBox::StandardButton button, QString *asked)
{
    QTimer::singleShot(50, [button, asked] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        *asked = box->text();
        box->button(button)->click();
    });
}

} // namespace WindowTestSupport
