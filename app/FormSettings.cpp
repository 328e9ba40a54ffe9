#include "FormSettings.h"
#include "ui_MainWindow.h"

#include "JobSettings.h"
#include "SettingsFile.h"

#include <QFileInfo>

#include <climits>

int decimalValue(const QByteArray &value)
{
    int i = 0;
    while (i < value.size() && (value.at(i) == ' ' || value.at(i) == '\t'))
        ++i;
    bool negative = false;
    if (i < value.size() && (value.at(i) == '+' || value.at(i) == '-')) {
        negative = value.at(i) == '-';
        ++i;
    }
    qint64 number = 0;
    for (; i < value.size() && value.at(i) >= '0' && value.at(i) <= '9'; ++i) {
        number = number * 10 + (value.at(i) - '0');
        if (number > qint64(INT_MAX) + 1)
            number = qint64(INT_MAX) + 1;
    }
    if (negative)
        number = -number;
    return int(qBound(qint64(INT_MIN), number, qint64(INT_MAX)));
}

void fillFormFromSettings(Ui::MainWindow &ui, const QByteArray &settingsText)
{
    ui.lEdt_SavePath->setText(QString::fromLocal8Bit(readSetting(settingsText, "savePath")));
    ui.sBox_Column->setValue(decimalValue(readSetting(settingsText, "column")));
    if (readSetting(settingsText, "AppointedHeaderRow", SettingsLimits::shortValue) == "y") {
        ui.sBox_AppointedHeaderRow->setEnabled(true);
        ui.cBox_AppointedHeaderRow->setChecked(true);
    }
    ui.sBox_AppointedHeaderRow->setValue(decimalValue(readSetting(settingsText, "NumOfAppointedHeaderR")));
    ui.lEdt_AllowEditRange->setText(QString::fromLocal8Bit(readSetting(settingsText, "AllowEditRange")));
    ui.sBox_VlookupCol->setValue(decimalValue(readSetting(settingsText, "VlookupCol")));
    // The boxes that hold no secret, with the fields they open. The password
    // boxes stay unticked, as their passwords are never stored.
    const auto ticked = [&settingsText](const char *key) {
        return readSetting(settingsText, key, SettingsLimits::shortValue) == "y";
    };
    if (ticked("SheetsProtect")) {
        ui.cBox_SheetsProtect->setChecked(true);
        ui.lEdt_SheetsProtect->setEnabled(true);
        ui.cBox_AllowEditRange->setEnabled(true);
        if (ticked("AllowEditRangeOn")) {
            ui.cBox_AllowEditRange->setChecked(true);
            ui.lEdt_AllowEditRange->setEnabled(true);
            ui.sBox_VlookupCol->setEnabled(true);
        }
    }
    ui.cBox_SplitToFiles->setChecked(ticked("SplitToFiles"));
    // Last: an earlier result's own settings replace the remembered ones.
    ui.lEdt_DataSplitFilePath->setText(QString::fromLocal8Bit(readSetting(settingsText, "dataSplitFilePath")));
}

void readForm(const Ui::MainWindow &ui, JobSettings &job)
{
    job.categoryNames.clear();
    job.headerRowsEnabled = ui.cBox_AppointedHeaderRow->isChecked();
    if (job.headerRowsEnabled)
        job.headerRows = ui.sBox_AppointedHeaderRow->value();
    job.openPasswordEnabled = ui.cBox_OpenPwd->isChecked();
    job.openPassword = ui.lEdt_OpenPwd->text();
    job.sheetPassword = ui.lEdt_SheetsProtect->text();
    job.sheetProtectionEnabled = ui.cBox_SheetsProtect->isChecked();
    job.allowEditRangeEnabled = ui.cBox_AllowEditRange->isChecked();
    job.allowEditRange = normalizedEditRange(ui.lEdt_AllowEditRange->text());
    job.classifyColumn = ui.sBox_Column->value();
    job.lookupColumn = ui.sBox_VlookupCol->value();
    job.structurePasswordEnabled = ui.cBox_WbProtect->isChecked();
    job.structurePassword = ui.lEdt_WbProtect->text();
    job.sourceWorkbookPath = ui.lEdt_DataSplitFilePath->text();
}

void writeFormBoxes(const QByteArray &path, const Ui::MainWindow &ui)
{
    const auto tick = [](const QCheckBox *box) { return box->isChecked() ? QByteArray("y") : QByteArray("n"); };
    writeSetting(path, "AppointedHeaderRow", tick(ui.cBox_AppointedHeaderRow));
    writeSetting(path, "SheetsProtect", tick(ui.cBox_SheetsProtect));
    writeSetting(path, "AllowEditRangeOn", tick(ui.cBox_AllowEditRange));
    writeSetting(path, "SplitToFiles", tick(ui.cBox_SplitToFiles));
}

void writeFormSettings(const QByteArray &path, const JobSettings &job)
{
    writeSetting(path, "dataSplitFilePath", job.sourceWorkbookPath.toLocal8Bit());
    writeSetting(path, "savePath", job.savePath.toLocal8Bit());
    writeSetting(path, "column", QByteArray::number(job.classifyColumn));
    writeSetting(path, "NumOfAppointedHeaderR", QByteArray::number(job.headerRows));
    writeSetting(path, "AllowEditRange", job.allowEditRange.toLocal8Bit());
    writeSetting(path, "VlookupCol", QByteArray::number(job.lookupColumn));
}

QString dialogStartFolder(const QString &fieldText, bool isFolder)
{
    if (fieldText.trimmed().isEmpty())
        return QStringLiteral(".");
    const QFileInfo field(fieldText);
    const QString folder = isFolder && field.isDir() ? field.absoluteFilePath() : field.absolutePath();
    return QFileInfo(folder).isDir() ? folder : QStringLiteral(".");
}
