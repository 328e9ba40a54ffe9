#pragma once

#include <QString>

class QLabel;

// The window's message line: a success in green, every other text (progress,
// notices, refusals, failures) in the line's red.
void showMessage(QLabel *line, const QString &text, bool success = false);

// Whether the line's last message was a success.
bool showsSuccess(const QLabel *line);
