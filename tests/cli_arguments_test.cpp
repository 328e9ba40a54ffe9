#include <QtTest>
class T : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(T)
#include "cli_arguments_test.moc"
