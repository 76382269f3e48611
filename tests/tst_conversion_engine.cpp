// The conversion run from end to end: real pages through the real engine into real files.

#include "FakePlatform.h"

#include "convert/ConversionRun.h"
#include "convert/RunView.h"
#include "filelist/FileListModel.h"
#include "platform/QtMessagePump.h"
#include "platform/RenderEngineSetup.h"
#include "platform/SystemClock.h"
#include "platform/WebEngineRenderer.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

class NoView : public RunView
{
public:
    void setMousePointer(int) override {}
    void setProgress(float) override {}
};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestConversionEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void convertsPagesAndReportsTheRest();
    void hangingPageDoesNotStopTheRun();

private:
    QString writePage(const QString &name, const QByteArray &html);
    QStringList runOver(const QStringList &paths, double pageTimeLimit = 60);

    QTemporaryDir m_folder;
    std::unique_ptr<WebEngineRenderer> m_engine;
    FakePlatform m_fakes;
};

void TestConversionEngine::initTestCase()
{
    m_engine = std::make_unique<WebEngineRenderer>();
}

QString TestConversionEngine::writePage(const QString &name, const QByteArray &html)
{
    QFile file(m_folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(html) != html.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

// Runs over the paths with the real engine, pump and clock; returns the messages shown.
QStringList TestConversionEngine::runOver(const QStringList &paths, double pageTimeLimit)
{
    SystemClock clock;
    QtMessagePump pump;
    const Platform platform{*m_engine, pump, clock, m_fakes.random, m_fakes.messages,
                            m_fakes.desktop, m_fakes.fileDialog, m_fakes.folderBrowser,
                            m_fakes.cursor};
    FileListModel list;
    list.append(paths);
    NoView view;
    ConversionRun run(list, view, platform);
    run.setPageTimeLimit(pageTimeLimit);
    m_fakes.messages.shown.clear();
    run.run();
    return m_fakes.messages.shown;
}

void TestConversionEngine::convertsPagesAndReportsTheRest()
{
    const QString article = writePage(
        "article.html", "<meta charset=utf-8><h1>Grüße</h1><p>one<br>two</p>"
                        "<table><tr><td>a</td><td>b</td></tr></table><script>var x;</script>");
    const QString latin1 = writePage("latin.HTM", "<meta charset=iso-8859-1><p>caf\xe9</p>");
    const QString notes = writePage("notes.txt", "<p>plain notes");
    const QString missing = m_folder.filePath("missing.html");

    const QStringList shown = runOver({article, notes, missing, latin1});

    QCOMPARE(contents(m_folder.filePath("article.txt")), "Grüße\n\none\ntwo\n\na\tb");
    QCOMPARE(contents(m_folder.filePath("latin.txt")), "café");
    QCOMPARE(contents(notes), "<p>plain notes");
    QCOMPARE(shown.size(), 1);
    const QStringList lines = shown.first().split('\n');
    QCOMPARE(lines.size(), 3 + 2);
    QCOMPARE(lines[2], "2 files could not be converted:");
    QVERIFY(lines[3].startsWith(notes + ": "));
    QVERIFY(lines[4].startsWith(missing + ": "));
}

void TestConversionEngine::hangingPageDoesNotStopTheRun()
{
    const QString hanging = writePage("hang.html", "<p>never<script>while (true) {}</script>");
    const QString after = writePage("after.html", "<p>after");

    const QStringList shown = runOver({hanging, after}, 2);

    QCOMPARE(contents(m_folder.filePath("after.txt")), "after");
    QVERIFY(!QFile::exists(m_folder.filePath("hang.txt")));
    QCOMPARE(shown, QStringList{"Done.\n\n1 file could not be converted:\n" + hanging
                                + ": the page did not finish loading in time"});
}

int main(int argc, char *argv[])
{
    prepareRenderEngine();
    QApplication app(argc, argv);
    TestConversionEngine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_conversion_engine.moc"
