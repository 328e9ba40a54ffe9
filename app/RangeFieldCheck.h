#pragma once

#include <QObject>

class QLineEdit;

// The editable-range field: its form as a placeholder, and a text that the
// job would refuse marked (dynamic property "invalid", red border) while
// the user types.
class RangeFieldCheck : public QObject
{
    Q_OBJECT
public:
    explicit RangeFieldCheck(QLineEdit *field);

    static QString placeholder();

private:
    void mark(const QString &text);

    QLineEdit *m_field;
};
