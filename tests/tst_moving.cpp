#include <QtTest>
class tst_moving : public QObject { Q_OBJECT };
QTEST_MAIN(tst_moving)
#include "tst_moving.moc"
