// The script worker with a stand-in runtime (ScriptRuntimeStandIn.cpp): the tree a page's scripts
// leave comes back, the files they ask for are read under the engine's rules, the sandbox ends
// a worker that reaches for a file, and a worker that fails in any way costs only its page.

#include "TestFiles.h"

#include "engine/fast/FastPageLoader.h"
#include "engine/fast/worker/ScriptWorker.h"
#include "engine/fast/worker/WorkerProtocol.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

QByteArray pageRunning(const QByteArray &script)
{
    return "<!DOCTYPE html><body><p>page</p><script>" + script + "</script>";
}

const PageScriptContext context{QStringLiteral("file:///pages/page.html"),
                                QStringLiteral("file:///pages/page.html"), "UTF-8"};

// The text of the body's last element, where the stand-in puts what it adds.
QString lastText(const std::variant<Dom, BrowserReason> &run)
{
    const Dom *dom = std::get_if<Dom>(&run);
    if (!dom || dom->body() < 0)
        return QStringLiteral("no tree");
    int last = dom->node(dom->body()).lastChild;
    while (last >= 0 && dom->node(last).isElement("script"))
        last = dom->node(last).previousSibling;
    return last < 0 ? QString() : dom->textContent(last);
}

std::optional<BrowserReason> reasonOf(const std::variant<Dom, BrowserReason> &run)
{
    const auto *reason = std::get_if<BrowserReason>(&run);
    return reason ? std::optional(*reason) : std::nullopt;
}

constexpr bool sanitized =
#if defined(__SANITIZE_ADDRESS__)
    true;
#else
    false;
#endif

} // namespace

class ScriptWorkerTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    const ScriptWorker::Limits m_quick{2000ms, 64};

    QString fileUrl(const QString &name) const
    {
        return QUrl::fromLocalFile(m_dir.filePath(name)).toString(QUrl::FullyEncoded);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("QUILLMERE_SCRIPT_WORKER", STANDIN_WORKER);
    }

    // Through workers replaced after every two pages.
    void runsPagesAndServesTheirFiles()
    {
        ScriptWorker worker(QStringLiteral(STANDIN_WORKER), {2000ms, 2});
        QCOMPARE(lastText(worker.runPage(pageRunning("none"), context)), QStringLiteral("page"));
        QCOMPARE(lastText(worker.runPage(pageRunning("append"), context)),
                 QStringLiteral("appended by file:///pages/page.html"));
        QCOMPARE(reasonOf(worker.runPage(pageRunning("error"), context)),
                 BrowserReason::ScriptError);

        writeTestFile(m_dir.filePath("lib.js"), "library");
        const auto readBack = [&worker](const QString &url) {
            return lastText(worker.runPage(pageRunning("read " + url.toUtf8()), context));
        };
        QCOMPARE(readBack(fileUrl("lib.js")), QStringLiteral("library"));
        QVERIFY(::mkfifo(QFile::encodeName(m_dir.filePath("fifo.js")).constData(), 0600) == 0);
        for (const QString &refused :
             {fileUrl("missing.js"), fileUrl(""), fileUrl("fifo.js"),
              QStringLiteral("file:///proc/self/status"), QStringLiteral("file:///dev/zero"),
              QStringLiteral("file://otherhost") + m_dir.filePath("lib.js"),
              QStringLiteral("http://localhost/lib.js"), QStringLiteral("lib.js")})
            QCOMPARE(readBack(refused), QStringLiteral("refused"));
    }

    void aWorkerEndedBetweenPagesCostsNoPage()
    {
        ScriptWorker worker(QStringLiteral(STANDIN_WORKER), m_quick);
        QCOMPARE(lastText(worker.runPage(pageRunning("end soon"), context)),
                 QStringLiteral("page"));
        QTest::qWait(300);
        QCOMPARE(lastText(worker.runPage(pageRunning("append"), context)),
                 QStringLiteral("appended by file:///pages/page.html"));
    }

    // "count" shows how many pages its process has run.
    void aWorkerHoldingTooMuchMemoryIsReplaced()
    {
        ScriptWorker kept(QStringLiteral(STANDIN_WORKER), m_quick);
        QCOMPARE(lastText(kept.runPage(pageRunning("count"), context)), QStringLiteral("1"));
        QCOMPARE(lastText(kept.runPage(pageRunning("count"), context)), QStringLiteral("2"));
        ScriptWorker replaced(QStringLiteral(STANDIN_WORKER), {2000ms, 64, 1});
        QCOMPARE(lastText(replaced.runPage(pageRunning("count"), context)), QStringLiteral("1"));
        QCOMPARE(lastText(replaced.runPage(pageRunning("count"), context)), QStringLiteral("1"));
    }

    void damagedMessagesAreRefused()
    {
        const QByteArray page = encodeMessage(PageToRun{"<p>page", context});
        const QByteArray result = encodeMessage(PageResult{BrowserReason::ScriptError});
        for (const QByteArray &whole : {page, result, encodeMessage(FileReply{"bytes"}),
                                        encodeMessage(FileRequest{"file:///a.js", {}})}) {
            QVERIFY(decodeMessage(whole));
            for (qsizetype size = 0; size < whole.size(); ++size)
                QVERIFY(!decodeMessage(whole.first(size)));
            QVERIFY(!decodeMessage(whole + '\0'));
        }
        QByteArray unknownReason = result;
        unknownReason.back() = char(browserReasonCount);
        QVERIFY(!decodeMessage(unknownReason));
        QByteArray unknownType = result;
        unknownType.front() = '\x7F';
        QVERIFY(!decodeMessage(unknownType));
    }

    void sandboxEndsAWorkerThatOpensAFile()
    {
        ScriptWorker worker(QStringLiteral(STANDIN_WORKER), m_quick);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("signal %1 ").arg(SIGSYS)));
        QCOMPARE(reasonOf(worker.runPage(pageRunning("open"), context)),
                 BrowserReason::ScriptWorkerFailed);
        QCOMPARE(lastText(worker.runPage(pageRunning("append"), context)),
                 QStringLiteral("appended by file:///pages/page.html"));
    }

    // A converter is loaded the first time it is used, and the sandbox lets no module load then.
    void decodesEveryEncodingInItsSandbox()
    {
        ScriptWorker worker(QStringLiteral(STANDIN_WORKER), m_quick);
        const std::pair<const char *, QByteArray> files[] = {
            {"windows-1252", "caf\xe9"},
            {"koi8-r", "\xc1"},
            {"gbk", "\xb0\xa1"},
            {"gb18030", QByteArray("\x81\x30\x81\x30", 4)},
            {"shift_jis", "\x82\xa0"},
            {"euc-jp", "\xa4\xa2"},
            {"iso-2022-jp", "\x1b$B$\"\x1b(B"},
            {"euc-kr", "\xb0\xa1"},
            {"big5", "\xa4\x40"},
            {"utf-16be", QByteArray("\0a", 2)}};
        const QStringList decoded{QStringLiteral("caf\u00e9"), QStringLiteral("\u0430"),
                                  QStringLiteral("\u554a"),    QStringLiteral("\u0080"),
                                  QStringLiteral("\u3042"),    QStringLiteral("\u3042"),
                                  QStringLiteral("\u3042"),    QStringLiteral("\uac00"),
                                  QStringLiteral("\u4e00"),    QStringLiteral("a")};
        for (size_t at = 0; at < std::size(files); ++at) {
            const auto &[label, bytes] = files[at];
            const QString url = fileUrl(QStringLiteral("encoded.js"));
            writeTestFile(m_dir.filePath(QStringLiteral("encoded.js")), bytes);
            QCOMPARE(lastText(worker.runPage(
                         pageRunning("decode " + QByteArray(label) + ' ' + url.toUtf8()), context)),
                     decoded[qsizetype(at)]);
        }
    }

    void aFailingWorkerCostsOnlyItsPage_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("endless loop") << QByteArray("loop");
        QTest::newRow("endless allocation") << QByteArray("allocate");
        QTest::newRow("crash") << QByteArray("crash");
        QTest::newRow("garbage on the socket") << QByteArray("garbage");
    }
    void aFailingWorkerCostsOnlyItsPage()
    {
        QFETCH(QByteArray, script);
        if (sanitized && script == "allocate")
            QSKIP("The sanitizers' shadow memory leaves the address space unbounded");
        ScriptWorker worker(QStringLiteral(STANDIN_WORKER), m_quick);
        QCOMPARE(reasonOf(worker.runPage(pageRunning(script), context)),
                 BrowserReason::ScriptWorkerFailed);
        QCOMPARE(lastText(worker.runPage(pageRunning("append"), context)),
                 QStringLiteral("appended by file:///pages/page.html"));
    }

    // The fast engine's loader: a page whose worker the sandbox ends goes to the browser, the
    // next page's scripts run, and their tree gives its text.
    void fastEngineTakesTheTreeScriptsLeave()
    {
        FastPageLoader loader(FastPageLoader::Pages::ExactOnly);
        const auto load = [&loader](const QString &path) {
            QSignalSpy loaded(&loader, &PageLoader::pageLoaded);
            QSignalSpy notExact(&loader, &FastPageLoader::pageNotExact);
            loader.load(path);
            const QDeadlineTimer deadline(20'000);
            while (loaded.isEmpty() && notExact.isEmpty() && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            return !loaded.isEmpty()  ? loaded.first().first()
                : !notExact.isEmpty() ? notExact.first().first()
                                      : QVariant();
        };
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("signal %1 ").arg(SIGSYS)));
        const QVariant opened = load(
            writeTestFile(m_dir.filePath("open.html"), pageRunning("open")));
        QCOMPARE(opened.value<BrowserReason>(), BrowserReason::ScriptWorkerFailed);
        const QVariant appended = load(
            writeTestFile(m_dir.filePath("append.html"), pageRunning("append")));
        QCOMPARE(appended.toString(),
                 QStringLiteral("page\n\nappended by ") + fileUrl("append.html"));
        const QVariant failed = load(
            writeTestFile(m_dir.filePath("error.html"), pageRunning("error")));
        QCOMPARE(failed.value<BrowserReason>(), BrowserReason::ScriptError);
    }
};

QTEST_GUILESS_MAIN(ScriptWorkerTest)
#include "tst_scriptworker.moc"
