#include <QTest>
class TestFileList : public QObject { Q_OBJECT };
QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
