#pragma once

#include <QByteArray>
#include <QString>

struct JobSettings;

namespace Ui {
class MainWindow;
}

// The form and the settings file: what the file fills in at start, what the
// form puts into a job's record, and the keys written back.

// The decimal integer at the start of a value, as atoi reads it; 0 when
// there is none. Out-of-range values saturate.
int decimalValue(const QByteArray &value);

void fillFormFromSettings(Ui::MainWindow &ui, const QByteArray &settingsText);

// The form's values into `job`, all but the save folder (the header rows
// only while their box is checked; the categories emptied).
void readForm(const Ui::MainWindow &ui, JobSettings &job);

// The remembered keys of `job`, each written into the settings file.
void writeFormSettings(const QByteArray &settingsFilePath, const JobSettings &job);

// Which of the form's boxes are ticked, those that hold no secret; read
// back by fillFormFromSettings.
void writeFormBoxes(const QByteArray &settingsFilePath, const Ui::MainWindow &ui);

// The folder a file dialog for this field's text starts in: the field's own
// folder (`isFolder`) or the folder of its file, when it exists; "." otherwise.
QString dialogStartFolder(const QString &fieldText, bool isFolder);
