#pragma once

#include <QObject>
#include <QString>

class QDialog;
class QPushButton;

namespace Ui {
class MainWindow;
}

// What the form tells about itself: a tooltip on each field and the
// 使用说明 button, which opens the guide shipped with the program.
class FormHelp : public QObject
{
    Q_OBJECT
public:
    FormHelp(Ui::MainWindow &ui, QWidget *window);

    static QString buttonText();
    static QString rangeHintText();
    // The guide's text (HTML), from the program's resources.
    static QString guideText();
    // The open guide, or null.
    QDialog *guide() const { return m_guide; }

private:
    void openGuide();

    QWidget *m_window;
    QDialog *m_guide = nullptr;
};
