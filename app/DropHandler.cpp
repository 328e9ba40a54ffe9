#include "DropHandler.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

bool isWorkbookName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx") || suffix == QLatin1String("xlsm");
}

} // namespace

DropHandler::DropHandler(QWidget *window, QLineEdit *sourceField, QLineEdit *folderField)
    : QObject(window)
    , m_source(sourceField)
    , m_folder(folderField)
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    // Line edits take drops themselves (as text); these see them first.
    for (QLineEdit *edit : window->findChildren<QLineEdit *>())
        edit->installEventFilter(this);
}

QString DropHandler::droppedWorkbook(const QMimeData *data)
{
    for (const QUrl &url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && isWorkbookName(path) && QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

QString DropHandler::droppedFolder(const QMimeData *data)
{
    for (const QUrl &url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && QFileInfo(path).isDir())
            return path;
    }
    return QString();
}

QLineEdit *DropHandler::fieldFor(const QObject *target, const QMimeData *data, QString *path) const
{
    if (!data || !data->hasUrls())
        return nullptr;
    *path = droppedWorkbook(data);
    if (!path->isEmpty())
        return m_source;
    if (target == m_folder) {
        *path = droppedFolder(data);
        if (!path->isEmpty())
            return m_folder;
    }
    return nullptr;
}

bool DropHandler::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        QString path;
        if (fieldFor(watched, drag->mimeData(), &path)) {
            drag->acceptProposedAction();
            return true;
        }
        // A line edit still takes dragged text as before.
        return false;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        QString path;
        if (QLineEdit *field = fieldFor(watched, drop->mimeData(), &path)) {
            field->setText(path);
            drop->acceptProposedAction();
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}
