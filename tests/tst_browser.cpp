#include <QtTest>
class tst_browser : public QObject { Q_OBJECT };
QTEST_MAIN(tst_browser)
#include "tst_browser.moc"
