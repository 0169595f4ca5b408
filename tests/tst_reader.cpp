#include <QtTest>
class tst_reader : public QObject { Q_OBJECT };
QTEST_MAIN(tst_reader)
#include "tst_reader.moc"
