#pragma once

#include <QString>

// Every text a job shows the user.
namespace Texts {
inline QString excelOk() { return QStringLiteral("excel OK!"); }
inline QString workbooksOk() { return QStringLiteral("WorkBooks OK!"); }
inline QString applicationMissing() { return QString::fromUtf8("本功能需要电脑中装有微软office或金山wps专业版(注意是专业版,不是个人版)!"); }
inline QString cancelled() { return QString::fromUtf8("已取消,本次未生成文件。"); }
inline QString applicationLost() { return QString::fromUtf8("表格程序意外退出,本次未生成文件,请重试!"); }

// The summary scan.
inline QString sourceRefused() { return QString::fromUtf8("文件格式不正确,或文件不存在!"); }
// Refusals more specific than sourceRefused(), made before the office starts.
inline QString sourceMissing(const QString &nativePath)
{
    return QString::fromUtf8("找不到汇总表文件“%1”,请检查文件是否已被移动、改名或删除,本次未生成文件。").arg(nativePath);
}
inline QString sourceNotWorkbook(const QString &fileName, bool empty)
{
    return QString::fromUtf8("文件“%1”不是Excel工作簿(%2),请选择汇总表所在的工作簿,本次未生成文件。")
        .arg(fileName, empty ? QString::fromUtf8("文件内容为空") : QString::fromUtf8("文件内容不是.xlsx/.xls/.xlsm格式"));
}
inline QString scanning(const QString &nativePath) { return nativePath + QString::fromUtf8(" 文件扫描中..."); }
inline QString openPasswordMissing()
{
    return QString::fromUtf8("此工作簿设有打开密码,请在“打开密码”中填写后再试,本次未生成文件。");
}
inline QString openPasswordWrong()
{
    return QString::fromUtf8("打开密码不正确,无法打开此工作簿,本次未生成文件。");
}
inline QString openFailed() { return QString::fromUtf8("文件格式不正确,请重新设计汇总表,并避免使用复杂的单元格合并!"); }
inline QString classifying() { return QString::fromUtf8("正在自动分类,请耐心等待..."); }
inline QString noCategory()
{
    return QString::fromUtf8("无法进行拆分!!! 因指定列中存在空单元格;请先删除该列的空单元格,"
                             "或列出需拆分的项目,格式如：猪八戒<b>|</b>孙悟空<b>|</b>沙和尚");
}
inline QString categoryColumnOutside(int column, const QString &letters, int first, int last,
                                     const QString &firstLetters, const QString &lastLetters)
{
    return QString::fromUtf8("分类列为第%1列(%2列),但汇总表只占第%3至第%4列(%5至%6列),该列中没有任何分类;"
                             "请重新选择分类列,本次未生成文件。")
        .arg(column)
        .arg(letters)
        .arg(first)
        .arg(last)
        .arg(firstLetters, lastLetters);
}

// Settings checked before the office starts.
// Given before a job that will not do all the form seems to ask for; the
// user may still go on.
inline QString protectionWithoutEditRange()
{
    return QString::fromUtf8("已填写工作表保护密码,但未勾选“允许用户编辑区域”:本次只拆分,"
                             "不写入自动更新公式,也不保护工作表。要自动更新,请勾选并填写可编辑区域。");
}
// A typed editable range that names no block; `example` is one the job
// would take with the form's columns.
inline QString editRangeNotARange(const QString &typed, const QString &example)
{
    if (typed.trimmed().isEmpty())
        return QString::fromUtf8("请填写可编辑区域,格式如%1(不能包含分类列和匹配列)!").arg(example);
    return QString::fromUtf8("可编辑区域“%1”无效,请按%2的格式填写(不能包含分类列和匹配列)!").arg(typed.trimmed(), example);
}
inline QString editRangeHoldsKeyColumn() { return QString::fromUtf8("可编辑区域不能包含匹配列或分类列,请重新填写!"); }
inline QString saveFolderIsSourceFolder()
{
    return QString::fromUtf8("保存文件夹不能是原工作簿所在的文件夹,否则会覆盖原工作簿,请另选文件夹!");
}

// What the source workbook holds that a split cannot go through.
inline QString summaryProtected() { return QString::fromUtf8("汇总表受工作表保护,请先撤销保护后再拆分!"); }
inline QString structureProtected() { return QString::fromUtf8("工作簿结构受保护,请先撤销保护后再拆分!"); }
inline QString madeByOtherJob(bool byClassify)
{
    return QString::fromUtf8("此工作簿是“%1”生成的结果,请用生成它的同一个按钮(%2)来处理,本次未生成文件。")
        .arg(byClassify ? QString::fromUtf8("汇总分类表") : QString::fromUtf8("分类汇总表"),
             byClassify ? QString::fromUtf8("汇总分类表(填写汇总表,自动更新分类表)")
                        : QString::fromUtf8("分类汇总表(填写分类表,自动更新汇总表)"));
}
// Updating an earlier result of the same job.
inline QString updatingResult(bool byClassify)
{
    return QString::fromUtf8("此工作簿是此前生成的%1,将按上次的设置更新:")
        .arg(byClassify ? QString::fromUtf8("汇总分类表") : QString::fromUtf8("分类汇总表"));
}
inline QString pullingCategorySheets() { return QString::fromUtf8("正在把各分类表中的记录汇总到汇总表..."); }
inline QString updateKeyTwice(const QString &key, const QString &sheet, const QString &other)
{
    if (sheet == other)
        return QString::fromUtf8("匹配列的值“%1”在工作表“%2”中出现了两次,请删除或改正其中一行后再更新,本次未生成文件。")
            .arg(key, sheet);
    return QString::fromUtf8("匹配列的值“%1”同时出现在工作表“%2”和“%3”中,请删除或改正其中一行后再更新,本次未生成文件。")
        .arg(key, sheet, other);
}
inline QString updateRowWithoutKey(const QString &sheet, int row)
{
    return QString::fromUtf8("工作表“%1”第%2行有内容但匹配列为空,请填写匹配列或删除该行后再更新,本次未生成文件。")
        .arg(sheet)
        .arg(row);
}
inline QString pullFailed() { return QString::fromUtf8("无法把分类表中的记录写回汇总表,本次未生成文件!"); }
inline QString updateSettings(int column, const QString &headerRows, const QString &editRange, int matchColumn)
{
    return QString::fromUtf8("分类列 %1,表头行数 %2,可编辑区域 %3,匹配列 %4")
        .arg(column)
        .arg(headerRows.isEmpty() ? QString::fromUtf8("自动") : headerRows,
             editRange.isEmpty() ? QString::fromUtf8("无") : editRange)
        .arg(matchColumn);
}
inline QString updateSettingDiffers(const QString &option, const QString &earlier)
{
    return QString::fromUtf8("此工作簿是此前生成的结果,%1 须与上次相同(上次为 %2),或不填写,本次未生成文件。")
        .arg(option, earlier);
}
inline QString updateSheetMissing(const QString &name)
{
    return QString::fromUtf8("此前生成的工作表“%1”已不在工作簿中(被改名或删除),请改回原名后再更新,本次未生成文件。")
        .arg(name);
}
inline QString updateStructurePassword()
{
    return QString::fromUtf8("工作簿结构保护密码不正确或未填写,无法更新此前的结果,本次未生成文件。");
}
inline QString updateSheetPassword(const QString &name)
{
    return QString::fromUtf8("工作表“%1”的保护密码不正确或未填写,无法更新此前的结果,本次未生成文件。").arg(name);
}
inline QString indexNameTaken() { return QString::fromUtf8("原工作簿中已有名为“目录”的工作表,请先将其改名后再拆分!"); }
inline QString mergedCategoryCells(const QString &address)
{
    return QString::fromUtf8("分类列中有合并单元格%1,请先取消合并并在每一行填上分类后再拆分!").arg(address);
}

// The category sheets.
inline QString categorySheetFailed(const QString &sheetName)
{
    return QString::fromUtf8("无法生成分类表“%1”,本次未生成文件!").arg(sheetName);
}
inline QString categoryFormula(const QString &address)
{
    return QString::fromUtf8("分类列中有公式(如%1),拆分后其值与汇总表不一致;请先将分类列转为数值后再拆分!").arg(address);
}
inline QString otherSheetsNotMoved()
{
    return QString::fromUtf8("无法把原工作簿的其他工作表排在分类表之前,本次未生成文件!");
}
inline QString splittingTo(const QString &sheetName) { return QString::fromUtf8("正在拆分到：") + sheetName; }
inline QString linkingSheet(int number, int total, const QString &sheetName)
{
    return QString::fromUtf8("正在写入自动更新公式(第%1/%2张表)：%3").arg(number).arg(total).arg(sheetName);
}
inline QString saving(const QString &nativePath) { return QString::fromUtf8("正在保存：") + nativePath; }
inline QString savedTo(const QString &nativePath) { return QString::fromUtf8("已保存：") + nativePath; }

// Protection and saving.
inline QString invalidEditRange() { return QString::fromUtf8("可编辑区域无效,请按A1:C20的格式填写!"); }
inline QString saveFailed() { return QString::fromUtf8("保存失败,请检查保存文件夹是否可写,或同名文件是否正被打开!"); }
// A save that failed on the source file, not on the save folder.
inline QString sourceDamaged(const QString &fileName)
{
    return QString::fromUtf8("汇总表文件“%1”已损坏(文件结构无法读取),请在表格程序中打开并另存一份后再拆分,本次未生成文件。")
        .arg(fileName);
}
inline QString classifyShowDone() { return QString::fromUtf8("成功生成汇总分类表!"); }
inline QString insertHyperLinksDone() { return QString::fromUtf8("成功生成分类汇总表!"); }


// One workbook per category.
inline QString rowWithoutCategory(int row)
{
    return QString::fromUtf8("汇总表第%1行有内容但分类列为空,无法分到任何一个工作簿;请填写分类或删除该行后再拆分,本次未生成文件。")
        .arg(row);
}
inline QString filesFromResult(bool byClassify)
{
    return QString::fromUtf8("此工作簿是此前生成的%1,请用原来的汇总表来生成分类工作簿,本次未生成文件。")
        .arg(byClassify ? QString::fromUtf8("汇总分类表") : QString::fromUtf8("分类汇总表"));
}
inline QString writingFile(int number, int total, const QString &name)
{
    return QString::fromUtf8("正在生成第%1/%2个工作簿：%3").arg(number).arg(total).arg(name);
}
inline QString filesFolderFailed()
{
    return QString::fromUtf8("无法在保存文件夹中新建文件夹,请检查保存文件夹是否可写,本次未生成文件!");
}
inline QString categoryFileFailed(const QString &name)
{
    return QString::fromUtf8("无法生成分类工作簿“%1”,本次未生成文件!").arg(name);
}
inline QString filesDonePrefix() { return QString::fromUtf8("成功生成分类工作簿"); }
inline QString filesDone(int count, const QString &folder)
{
    return filesDonePrefix() + QString::fromUtf8("%1个,保存在：%2").arg(count).arg(folder);
}

// The folder a files job's success text names.
inline QString folderOfFilesDone(const QString &text)
{
    const int colon = text.indexOf(QString::fromUtf8("保存在："));
    return text.startsWith(filesDonePrefix()) && colon >= 0 ? text.mid(colon + 4) : QString();
}

inline bool isSuccess(const QString &text)
{
    return text == classifyShowDone() || text == insertHyperLinksDone() || text.startsWith(filesDonePrefix());
}
} // namespace Texts
