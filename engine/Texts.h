#pragma once

#include <QString>

// Every text a job shows the user.
namespace Texts {
inline QString excelOk() { return QStringLiteral("excel OK!"); }
inline QString workbooksOk() { return QStringLiteral("WorkBooks OK!"); }
inline QString applicationMissing() { return QString::fromUtf8("本功能需要电脑中装有微软office或金山wps专业版(注意是专业版,不是个人版)!"); }
inline QString applicationLost() { return QString::fromUtf8("表格程序意外退出,本次未生成文件,请重试!"); }
} // namespace Texts
