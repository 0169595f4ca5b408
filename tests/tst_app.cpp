#include <QtTest>
class tst_app : public QObject { Q_OBJECT };
QTEST_MAIN(tst_app)
#include "tst_app.moc"
