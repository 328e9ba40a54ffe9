#pragma once

#include <QString>

// Every text a job shows the user.
namespace Texts {
inline QString excelOk() { return QStringLiteral("excel OK!"); }
inline QString workbooksOk() { return QStringLiteral("WorkBooks OK!"); }
inline QString applicationMissing() { return QString::fromUtf8("本功能需要电脑中装有微软office或金山wps专业版(注意是专业版,不是个人版)!"); }
inline QString applicationLost() { return QString::fromUtf8("表格程序意外退出,本次未生成文件,请重试!"); }

// The summary scan.
inline QString sourceRefused() { return QString::fromUtf8("文件格式不正确,或文件不存在!"); }
inline QString scanning(const QString &nativePath) { return nativePath + QString::fromUtf8(" 文件扫描中..."); }
inline QString openFailed() { return QString::fromUtf8("文件格式不正确,请重新设计汇总表,并避免使用复杂的单元格合并!"); }
inline QString classifying() { return QString::fromUtf8("正在自动分类,请耐心等待..."); }
inline QString noCategory()
{
    return QString::fromUtf8("无法进行拆分!!! 因指定列中存在空单元格;请先删除该列的空单元格,"
                             "或列出需拆分的项目,格式如：猪八戒<b>|</b>孙悟空<b>|</b>沙和尚");
}

// The category sheets.
inline QString splittingTo(const QString &sheetName) { return QString::fromUtf8("正在拆分到：") + sheetName; }

// Protection and saving.
inline QString invalidEditRange() { return QString::fromUtf8("可编辑区域无效,请按A1:C20的格式填写!"); }
inline QString saveFailed() { return QString::fromUtf8("保存失败,请检查保存文件夹是否可写,或同名文件是否正被打开!"); }
inline QString classifyShowDone() { return QString::fromUtf8("成功生成汇总分类表!"); }
inline QString insertHyperLinksDone() { return QString::fromUtf8("成功生成分类汇总表!"); }

inline bool isSuccess(const QString &text) { return text == classifyShowDone() || text == insertHyperLinksDone(); }
} // namespace Texts
