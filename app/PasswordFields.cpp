#include "PasswordFields.h"
#include "ui_MainWindow.h"

#include "MessageLine.h"

#include <QAction>
#include <QInputDialog>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

namespace {

// An eye, drawn rather than shipped: open when the text shows.
QIcon eyeIcon(bool open)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(90, 90, 90), 1.4));
    painter.drawEllipse(QRectF(1.5, 4.5, 13, 7));
    painter.setBrush(QColor(90, 90, 90));
    painter.drawEllipse(QRectF(6, 6, 4, 4));
    if (!open)
        painter.drawLine(QPointF(2, 14), QPointF(14, 2));
    return QIcon(pixmap);
}

} // namespace

QString PasswordFields::againText()
{
    return QString::fromUtf8("请再次输入工作簿打开密码：");
}

QString PasswordFields::mismatchText()
{
    return QString::fromUtf8("两次输入的工作簿打开密码不一致,请重新输入!");
}

QString PasswordFields::showText()
{
    return QString::fromUtf8("显示密码");
}

PasswordFields::PasswordFields(Ui::MainWindow &ui, QObject *parent)
    : QObject(parent)
    , m_ui(ui)
{
    for (QLineEdit *field : {ui.lEdt_OpenPwd, ui.lEdt_WbProtect, ui.lEdt_SheetsProtect})
        addShowButton(field);
    // The open and the structure password share the row's room; each field
    // has the width of a password with its button.
    ui.lEdt_OpenPwd->setMinimumWidth(76);
    ui.lEdt_WbProtect->setMinimumWidth(76);
}

void PasswordFields::addShowButton(QLineEdit *field)
{
    field->setEchoMode(QLineEdit::Password);
    QAction *show = field->addAction(eyeIcon(false), QLineEdit::TrailingPosition);
    show->setObjectName(QStringLiteral("act_ShowPwd"));
    show->setCheckable(true);
    show->setToolTip(showText());
    connect(show, &QAction::toggled, field, [field, show](bool shown) {
        field->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
        show->setIcon(eyeIcon(shown));
    });
}

bool PasswordFields::confirmOpenPassword(QWidget *parent)
{
    bool answered = false;
    const QString again = QInputDialog::getText(parent, m_ui.cBox_OpenPwd->text(), againText(),
                                                QLineEdit::Password, QString(), &answered);
    if (!answered)
        return false;
    if (again != m_ui.lEdt_OpenPwd->text()) {
        showMessage(m_ui.lb_ShowDisposing, mismatchText());
        return false;
    }
    return true;
}
