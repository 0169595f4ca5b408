#include <QtTest>
class tst_view3d : public QObject { Q_OBJECT };
QTEST_MAIN(tst_view3d)
#include "tst_view3d.moc"
