#pragma once

#include "e2e_Cli.h"

#include <QObject>
#include <QScopedPointer>

// The frame of an end-to-end test program: the offices get a private
// temporary folder, each case fresh folders for its sources and results, and
// after each case no office may still run, nothing may be left behind, and
// no lock file may stand beside a source.
class E2eOfficeCase : public QObject
{
    Q_OBJECT

protected:
    QString in(const QString &name = QString()) const { return m_case->in(name); }
    QString out(const QString &name = QString()) const { return m_case->out(name); }
    // The case's own folder, which holds "in" and "out".
    QString casePath() const { return m_case->path(); }
    // What offices left in the private temporary folder so far.
    QStringList leftovers() const { return m_temp.leftovers(); }

private slots:
    void initTestCase();
    void init();
    void cleanup();

private:
    PrivateTemp m_temp;
    QScopedPointer<CaseFolders> m_case;
};
