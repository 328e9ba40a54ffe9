#pragma once

#include <QObject>
#include <QString>

class QAction;
class QLineEdit;
class QWidget;

namespace Ui {
class MainWindow;
}

// The form's three password fields: masked while typed, each with a button
// in the field that shows it, and the open password asked for a second time
// before a job, since one typo would lock the result for good.
class PasswordFields : public QObject
{
    Q_OBJECT
public:
    explicit PasswordFields(Ui::MainWindow &ui, QObject *parent);

    // Asks for the open password again. False when the user cancels or the
    // two differ; the form then says which.
    bool confirmOpenPassword(QWidget *parent);

    static QString againText();
    static QString mismatchText();
    static QString showText();

private:
    void addShowButton(QLineEdit *field);

    Ui::MainWindow &m_ui;
};
