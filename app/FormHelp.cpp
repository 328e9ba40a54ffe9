#include "FormHelp.h"
#include "ui_MainWindow.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>

namespace {

void setTips(Ui::MainWindow &ui)
{
    const auto u = [](const char *text) { return QString::fromUtf8(text); };
    ui.lEdt_DataSplitFilePath->setToolTip(u("汇总表所在的工作簿(.xlsx、.xls、.xlsm),也可以把文件拖到这里。"
                                            "上次生成的结果也可以再选一次,用来更新。"));
    ui.lEdt_SavePath->setToolTip(u("结果保存到的文件夹,不能是原工作簿所在的文件夹。"));
    ui.sBox_Column->setToolTip(u("写着分类名称的那一列,1为A列。"));
    const QString headerTip = u("汇总表顶部不属于记录的行数;不勾选时,第一行有内容的行是表头。");
    ui.sBox_AppointedHeaderRow->setToolTip(headerTip);
    const QString openTip = u("打开结果时要输入的密码,请输入两次;忘记后无法打开结果。");
    ui.cBox_OpenPwd->setToolTip(openTip);
    ui.lEdt_OpenPwd->setToolTip(openTip);
    const QString structureTip = u("禁止在结果中添加、删除或改名工作表。");
    ui.cBox_WbProtect->setToolTip(structureTip);
    ui.lEdt_WbProtect->setToolTip(structureTip);
    const QString sheetTip = u("与可编辑区域一起使用:保护可编辑区域以外的单元格。"
                               "每个分类另存为一个工作簿时,保护每个文件的工作表。");
    ui.cBox_SheetsProtect->setToolTip(sheetTip);
    ui.lEdt_SheetsProtect->setToolTip(sheetTip);
    const QString rangeTip = u("如 D2:F200,不能包含分类列和匹配列。填写可编辑区域,才会写入自动更新公式并保护工作表;"
                               "不填写时只拆分。");
    ui.cBox_AllowEditRange->setToolTip(rangeTip);
    ui.lEdt_AllowEditRange->setToolTip(rangeTip);
    ui.sBox_VlookupCol->setToolTip(u("每条记录独有的编号所在的列(如工号),自动更新公式按它查找记录。"));
    ui.pBtn_ClassifyShow->setToolTip(u("以汇总表为准:汇总表里的改动自动更新到各分类表。"));
    ui.pBtn_HyperLinks->setToolTip(u("以各分类表为准:各分类表里的改动自动更新到汇总表。"));
    ui.cBox_SplitToFiles->setToolTip(u("每个分类得到一个只含本分类记录的工作簿,保存在以原工作簿命名的新文件夹中。"));
}

} // namespace

QString FormHelp::rangeHintText()
{
    return QString::fromUtf8("(填可编辑区域才自动更新)");
}

QString FormHelp::buttonText()
{
    return QString::fromUtf8("使用说明");
}

QString FormHelp::guideText()
{
    QFile file(QStringLiteral(":/guide/guide.html"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

FormHelp::FormHelp(Ui::MainWindow &ui, QWidget *window)
    : QObject(window)
    , m_window(window)
{
    setTips(ui);
    // What turns the lookups on, where the fields are.
    auto *hint = new QLabel(rangeHintText(), ui.groupBox_2);
    hint->setObjectName(QStringLiteral("lb_RangeHint"));
    hint->setStyleSheet(QStringLiteral("color: rgb(110, 110, 110);"));
    if (auto *row = qobject_cast<QBoxLayout *>(ui.groupBox_2->layout()))
        row->addWidget(hint);
    auto *button = new QPushButton(buttonText(), ui.groupBox_5);
    button->setObjectName(QStringLiteral("pBtn_Guide"));
    if (auto *row = qobject_cast<QBoxLayout *>(ui.groupBox_5->layout()))
        row->addWidget(button);
    connect(button, &QPushButton::clicked, this, &FormHelp::openGuide);
}

void FormHelp::openGuide()
{
    if (!m_guide) {
        m_guide = new QDialog(m_window);
        m_guide->setObjectName(QStringLiteral("dlg_Guide"));
        m_guide->setWindowTitle(buttonText());
        m_guide->resize(640, 520);
        auto *column = new QVBoxLayout(m_guide);
        auto *text = new QTextBrowser(m_guide);
        text->setHtml(guideText());
        column->addWidget(text);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, m_guide);
        connect(buttons, &QDialogButtonBox::rejected, m_guide, &QDialog::hide);
        column->addWidget(buttons);
    }
    m_guide->show();
    m_guide->raise();
}
