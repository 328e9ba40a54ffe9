#include "EarlierResultNotice.h"
#include "ui_MainWindow.h"

#include "EarlierResultFile.h"
#include "MessageLine.h"
#include "Texts.h"

EarlierResultNotice::EarlierResultNotice(Ui::MainWindow &ui, QObject *parent) : QObject(parent), m_ui(ui)
{
    connect(ui.lEdt_DataSplitFilePath, &QLineEdit::textChanged, this, &EarlierResultNotice::look);
}

void EarlierResultNotice::look(const QString &path)
{
    const std::optional<ResultMark> mark = markInFile(path.trimmed());
    if (!mark) {
        if (m_shown)
            showMessage(m_ui.lb_ShowDisposing, QString());
        m_shown = false;
        return;
    }
    m_ui.sBox_Column->setValue(mark->classifyColumn);
    m_ui.cBox_AppointedHeaderRow->setChecked(bool(mark->headerRows));
    m_ui.sBox_AppointedHeaderRow->setEnabled(bool(mark->headerRows));
    if (mark->headerRows)
        m_ui.sBox_AppointedHeaderRow->setValue(*mark->headerRows);
    // An editable range goes with sheet protection, as the form has it.
    const bool editRange = !mark->editRange.isEmpty();
    if (editRange) {
        m_ui.cBox_SheetsProtect->setChecked(true);
        m_ui.lEdt_SheetsProtect->setEnabled(true);
        m_ui.lEdt_AllowEditRange->setText(mark->editRange);
    }
    m_ui.cBox_AllowEditRange->setEnabled(m_ui.cBox_SheetsProtect->isChecked());
    m_ui.cBox_AllowEditRange->setChecked(editRange);
    m_ui.lEdt_AllowEditRange->setEnabled(editRange);
    m_ui.sBox_VlookupCol->setEnabled(editRange);
    m_ui.sBox_VlookupCol->setValue(mark->lookupColumn);
    showMessage(m_ui.lb_ShowDisposing,
        Texts::updatingResult(mark->job == ResultMark::Job::Classify)
        + Texts::updateSettings(mark->classifyColumn, mark->headerRows ? QString::number(*mark->headerRows) : QString(),
                                mark->editRange, mark->lookupColumn));
    m_shown = true;
}
