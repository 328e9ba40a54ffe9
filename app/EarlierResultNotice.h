#pragma once

#include <QObject>

namespace Ui {
class MainWindow;
}

// When the chosen workbook is a result an earlier job made, the form takes
// the settings that job kept in it (category column, header rows, editable
// range, match column) and the message line says that the job will update
// it, with those settings. Read from the file as the path changes.
class EarlierResultNotice : public QObject
{
    Q_OBJECT
public:
    EarlierResultNotice(Ui::MainWindow &ui, QObject *parent);

private:
    void look(const QString &path);

    Ui::MainWindow &m_ui;
    bool m_shown = false; // the message line holds this notice
};
