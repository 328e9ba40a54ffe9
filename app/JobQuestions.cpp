#include "JobQuestions.h"

#include <QDir>
#include <QMessageBox>

bool askReplace(QWidget *parent, const QString &path)
{
    const QString text = QString::fromUtf8("保存文件夹中已有同名文件：\n%1\n是否替换它?")
                             .arg(QDir::toNativeSeparators(path));
    return QMessageBox::question(parent, QString::fromUtf8("替换文件"), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

bool askCancelAndClose(QWidget *parent)
{
    return QMessageBox::question(parent, QString::fromUtf8("正在生成"),
                                 QString::fromUtf8("任务尚未完成,是否取消任务并关闭窗口?"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

bool askGoOn(QWidget *parent, const QString &warning)
{
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8("请确认"), warning, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setButtonText(QMessageBox::Yes, QString::fromUtf8("继续拆分"));
    box.setButtonText(QMessageBox::No, QString::fromUtf8("返回修改"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void showDetails(QWidget *parent, const QString &failure, const QString &details)
{
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8("详细信息"), failure, QMessageBox::Close, parent);
    box.setObjectName(QStringLiteral("dlg_Details"));
    box.setDetailedText(details);
    box.exec();
}
