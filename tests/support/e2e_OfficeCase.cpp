#include "e2e_OfficeCase.h"

#include "lo_Fixtures.h"

#include <QtTest>

void E2eOfficeCase::initTestCase()
{
    QVERIFY(m_temp.install());
}

void E2eOfficeCase::init()
{
    m_case.reset(new CaseFolders(m_temp.path()));
    QVERIFY(m_case->isValid());
}

void E2eOfficeCase::cleanup()
{
    QCOMPARE(officeProcesses(), 0);
    const QStringList left = m_temp.leftovers();
    QVERIFY2(left.isEmpty(), qPrintable(left.join("; ")));
    const QStringList locks = lockFilesIn(in());
    QVERIFY2(locks.isEmpty(), qPrintable(locks.join(", ")));
    m_case.reset();
}
