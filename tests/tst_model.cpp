#include <QtTest>
class tst_model : public QObject { Q_OBJECT };
QTEST_MAIN(tst_model)
#include "tst_model.moc"
