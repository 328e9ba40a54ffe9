#pragma once

#include <QObject>

class QDropEvent;
class QLineEdit;
class QMimeData;
class QWidget;

// Files dropped on the window: a workbook (.xls, .xlsx, .xlsm) dropped
// anywhere fills the source field; a folder dropped on the output field
// fills that field.
class DropHandler : public QObject
{
    Q_OBJECT
public:
    // Watches `window` and every line edit inside it.
    DropHandler(QWidget *window, QLineEdit *sourceField, QLineEdit *folderField);

    // The first local workbook among the dropped urls; empty when none.
    static QString droppedWorkbook(const QMimeData *data);
    // The first local folder among the dropped urls; empty when none.
    static QString droppedFolder(const QMimeData *data);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What a drop of `data` on `target` would fill; null when nothing.
    QLineEdit *fieldFor(const QObject *target, const QMimeData *data, QString *path) const;

    QLineEdit *m_source;
    QLineEdit *m_folder;
};
