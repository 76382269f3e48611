// The real program in a real X server (Xvfb, with the openbox window manager), driven as a user
// drives it: xdotool moves the mouse, clicks and types from outside the process. The text of a
// message box is read the way a user would copy it: click it, select all, copy, and read the
// clipboard with xclip.
//
// Every wait polls with a generous limit, since the machine may be busy with other work.

#include "TestFiles.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>
#include <memory>
#include <utility>

namespace {

constexpr int patienceMs = 60'000;
const QString mainTitle = QStringLiteral("^Quillmere$");

// Centres of the buttons in the window's client area.
const QPoint addFilesButton(84, 156);
const QPoint addFolderButton(244, 156);
const QPoint saveAsTextButton(404, 156);

bool waitUntil(const std::function<bool()> &condition, int timeoutMs = patienceMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

QByteArray readFile(const QString &path)
{
    return fileContents(path, "(missing)");
}

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT

    QProcess m_server;
    QProcess m_windowManager;
    QString m_display;
    std::unique_ptr<QProcess> m_program;
    QString m_mainWindow;
    bool m_returnHeld = false;
    QTemporaryDir m_dir;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("HOME", m_dir.path()); // the window manager's and the dialogs' settings
        return env;
    }

    QString tool(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
        if (!process.waitForFinished(patienceMs))
            qWarning("%s did not finish", qPrintable(program));
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    QString xdotool(const QStringList &arguments) { return tool("xdotool", arguments); }

    QStringList visibleWindows(const QString &title)
    {
        return xdotool({"search", "--onlyvisible", "--name", title})
            .split('\n', Qt::SkipEmptyParts);
    }

    // The first visible window with that title that is not the main window.
    QString waitForWindow(const QString &title)
    {
        QString found;
        waitUntil([&] {
            for (const QString &window : visibleWindows(title))
                if (window != m_mainWindow)
                    found = window;
            return !found.isEmpty();
        });
        return found;
    }

    bool waitUntilGone(const QString &window)
    {
        return waitUntil([&] { return !visibleWindows(".*").contains(window); });
    }

    // Keys go to the active window, and a window just mapped may not have the focus yet.
    bool waitUntilActive(const QString &window)
    {
        return waitUntil([&] { return xdotool({"getactivewindow"}) == window; });
    }

    // After a dialog closes, the program first appends what was picked (walking a folder takes
    // a moment) and meanwhile it processes input: a press then would find the list still empty.
    void waitForTheListToFill()
    {
        QVERIFY(waitUntilActive(m_mainWindow));
        QThread::msleep(500);
    }

    void click(const QString &window, QPoint at, int times = 1)
    {
        xdotool({"mousemove", "--sync", "--window", window, QString::number(at.x()),
                 QString::number(at.y()), "click", "--repeat", QString::number(times), "--delay",
                 "150", "1"});
    }

    void type(const QString &text) { xdotool({"type", "--delay", "20", text}); }
    void key(const QString &keys) { xdotool(QStringList{"key"} + keys.split(' ')); }

    void startProgram(const QStringList &arguments = {})
    {
        m_program = std::make_unique<QProcess>();
        m_program->setProcessEnvironment(environment());
        // The engine's start-up notes; unread, they would fill the pipe and stop the program.
        m_program->setStandardOutputFile(QProcess::nullDevice());
        m_program->setStandardErrorFile(QProcess::nullDevice());
        m_program->start(QUILLMERE_PROGRAM, arguments);
        QVERIFY(m_program->waitForStarted());
        QVERIFY(waitUntil([&] { return !visibleWindows(mainTitle).isEmpty(); }));
        m_mainWindow = visibleWindows(mainTitle).first();
    }

    enum class Confirm { PressReturn, HoldReturnDown };

    // Picks the folder in the folder dialog by typing its path.
    void addFolder(const QString &folder, Confirm confirm = Confirm::PressReturn, int clicks = 1)
    {
        click(m_mainWindow, addFolderButton, clicks);
        const QString dialog = waitForWindow("select folder to add");
        QVERIFY(!dialog.isEmpty());
        QVERIFY(waitUntilActive(dialog));
        type(folder);
        m_returnHeld = confirm == Confirm::HoldReturnDown;
        xdotool({m_returnHeld ? "keydown" : "key", "Return"});
        QVERIFY(waitUntilGone(dialog));
        waitForTheListToFill();
    }

    // Presses "Save As Text", checks that the closing message stays up, copies its text and
    // dismisses it.
    QString saveAsText(int clicks = 1)
    {
        click(m_mainWindow, saveAsTextButton, clicks);
        const QString box = waitForWindow(mainTitle);
        if (box.isEmpty())
            return "(no message)";
        QThread::msleep(500);
        if (!visibleWindows(mainTitle).contains(box))
            return "(the message closed by itself)";
        if (std::exchange(m_returnHeld, false)) {
            xdotool({"keyup", "Return"});
            QThread::msleep(300);
            if (!visibleWindows(mainTitle).contains(box))
                return "(the message closed when Return was let go)";
        }

        // A double-click on the first word gives the text the focus; then select all and copy.
        xdotool({"mousemove", "--window", box, "40", "18", "click", "--repeat", "2", "1"});
        QThread::msleep(300);
        key("ctrl+a ctrl+c");
        QString text;
        waitUntil(
            [&] {
            text = tool("xclip", {"-o", "-selection", "clipboard"});
            return !text.isEmpty();
            },
            10'000);
        key("Return");
        if (!waitUntilGone(box))
            return "(the message did not close)";
        // The run keeps the finished bar in view one more second; a press meanwhile would be
        // taken for one during the run, and ignored.
        QThread::msleep(1500);
        return text;
    }

private slots:
    void initTestCase()
    {
        for (const char *program : {"Xvfb", "openbox", "xdotool", "xclip", "xprop", "xwininfo"})
            QVERIFY2(!QStandardPaths::findExecutable(program).isEmpty(), program);

        // Xvfb picks a free display itself and names it on the channel given.
        m_server.start("Xvfb",
                       {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        QVERIFY(waitUntil([&] {
            m_server.waitForReadyRead(100);
            return m_server.canReadLine();
        }));
        m_display = ":" + QString::fromLatin1(m_server.readLine()).trimmed();

        m_windowManager.setProcessEnvironment(environment());
        m_windowManager.setStandardErrorFile(QProcess::nullDevice());
        m_windowManager.start("openbox", QStringList());
        QVERIFY(waitUntil([&] {
            return tool("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
        }));
    }

    void cleanup()
    {
        if (std::exchange(m_returnHeld, false))
            xdotool({"keyup", "Return"});
        if (m_program) {
            m_program->kill();
            m_program->waitForFinished();
            m_program.reset();
        }
    }

    void cleanupTestCase()
    {
        m_windowManager.kill();
        m_windowManager.waitForFinished();
        m_server.terminate();
        m_server.waitForFinished();
    }

    // The outer frame, title bar included, is centred on the screen.
    void windowOpensCentred()
    {
        startProgram();
        QString extents;
        QVERIFY(waitUntil([&] {
            extents = tool("xprop", {"-id", m_mainWindow, "_NET_FRAME_EXTENTS"});
            return extents.contains('=');
        }));
        const QStringList frame = extents.section('=', 1).split(',');
        const int left = frame.value(0).toInt(), right = frame.value(1).toInt();
        const int top = frame.value(2).toInt(), bottom = frame.value(3).toInt();
        QVERIFY(top > 0);

        // The window manager may place the frame a moment after the window is mapped. Its
        // client area is read with xwininfo: xdotool's geometry counts the frame's offset twice.
        QString client;
        const QRegularExpression position(
            "Absolute upper-left X: +(-?\\d+).*Absolute upper-left Y: +"
            "(-?\\d+).*Width: (\\d+).*Height: (\\d+)",
            QRegularExpression::DotMatchesEverythingOption);
        const auto centred = [&] {
            client = tool("xwininfo", {"-id", m_mainWindow});
            const QRegularExpressionMatch match = position.match(client);
            const int x = match.captured(1).toInt() - left;
            const int y = match.captured(2).toInt() - top;
            const int width = match.captured(3).toInt() + left + right;
            const int height = match.captured(4).toInt() + top + bottom;
            return match.hasMatch() && std::abs(x - (1280 - width - x)) <= 1
                && std::abs(y - (1024 - height - y)) <= 1;
        };
        QVERIFY2(waitUntil(centred, 5000), qPrintable(client + "\nframe " + extents));
    }

    // A folder added twice: the first run writes every text file; the second finds them in the
    // list (the folder's path holds "htm") and counts them, without calling them failures.
    void folderRunEndsWithDone()
    {
        const QString folder = m_dir.filePath("saved-html");
        // Laid out as in a desktop browser window, whatever the display: no narrow-screen rules.
        writeTestFile(folder + "/a.html",
                      "<style>@media (max-width: 1023px) { p { display: none } }"
                      "</style><p>one");
        writeTestFile(folder + "/deeper/b.htm", "<p>two");

        startProgram();
        addFolder(folder);
        QCOMPARE(saveAsText(), "Done.");
        QCOMPARE(readFile(folder + "/a.txt"), "one");
        QCOMPARE(readFile(folder + "/deeper/b.txt"), "two");

        addFolder(folder);
        QCOMPARE(saveAsText(), "Done.\n\n2 files were left out: each is its own text file.");
    }

    // Return held a little long in the folder dialog repeats into the closing message, which
    // must still wait for a press of its own.
    void heldReturnLeavesTheMessageUp()
    {
        const QString folder = m_dir.filePath("held");
        writeTestFile(folder + "/a.html", "<p>held");

        startProgram();
        addFolder(folder, Confirm::HoldReturnDown);
        QThread::msleep(1000); // the server repeats a key held longer than 660 ms
        QCOMPARE(saveAsText(), "Done.");
        QCOMPARE(readFile(folder + "/a.txt"), "held");
    }

    // The second click of a double-click lands in the dialog or the message that the first
    // one opened, and must take nothing there: not the focus from the folder name.
    void doubleClicksDoWhatOneClickDoes()
    {
        const QString folder = m_dir.filePath("double");
        writeTestFile(folder + "/a.html", "<p>double");

        startProgram();
        addFolder(folder, Confirm::PressReturn, 2);
        QCOMPARE(saveAsText(2), "Done.");
        QCOMPARE(readFile(folder + "/a.txt"), "double");
    }

    // Pages named on the command line, as a file manager hands them over, are in the list.
    void filesGivenAtStartAreInTheList()
    {
        const QString first = writeTestFile(m_dir.filePath("given/first.html"), "<p>first");
        const QString second = writeTestFile(m_dir.filePath("given/second page.htm"), "<p>second");

        startProgram({first, second});
        waitForTheListToFill();
        QCOMPARE(saveAsText(), "Done.");
        QCOMPARE(readFile(m_dir.filePath("given/first.txt")), "first");
        QCOMPARE(readFile(m_dir.filePath("given/second page.txt")), "second");
    }

    void filesDialogAddsThePickedFiles()
    {
        const QString folder = m_dir.filePath("picked");
        for (const char *name : {"x.html", "y.html", "z.html"})
            writeTestFile(folder + '/' + name, QByteArray("<p>") + name);

        startProgram();
        click(m_mainWindow, addFilesButton);
        const QString dialog = waitForWindow("Load List");
        QVERIFY(!dialog.isEmpty());
        QVERIFY(waitUntilActive(dialog));
        type(folder + '/');
        key("Return");
        QThread::msleep(300); // the dialog lists the folder before it takes names in it
        type("\"x.html\" \"z.html\"");
        key("Return");
        QVERIFY(waitUntilGone(dialog));
        waitForTheListToFill();

        QCOMPARE(saveAsText(), "Done.");
        QCOMPARE(readFile(folder + "/x.txt"), "x.html");
        QCOMPARE(readFile(folder + "/z.txt"), "z.html");
        QVERIFY(!QFile::exists(folder + "/y.txt"));
    }

    // Outputs that cannot be written (a folder is in the way) make the closing message list
    // the files in list order, which shows the order the drag left.
    void dragMovesTheFirstItemBelowTheLast()
    {
        const QString folder = m_dir.filePath("drag");
        for (const char *name : {"a", "b", "c"}) {
            writeTestFile(QString("%1/%2.html").arg(folder, name), "<p>page");
            QDir().mkpath(QString("%1/%2.txt").arg(folder, name));
        }

        startProgram();
        addFolder(folder);
        const QString window = m_mainWindow;
        xdotool({"mousemove", "--sync", "--window", window, "60", "38", "mousedown", "1"});
        for (int y = 42; y <= 100; y += 4)
            xdotool({"mousemove", "--sync", "--window", window, "60", QString::number(y)});
        xdotool({"mouseup", "1"});

        const QString message = saveAsText();
        QStringList listed;
        for (auto it = QRegularExpression(folder + "/(\\w)\\.html").globalMatch(message);
             it.hasNext();)
            listed << it.next().captured(1);
        QCOMPARE(listed, QStringList({"b", "c", "a"}));
    }

    void failingFileIsNamed()
    {
        const QString folder = m_dir.filePath("mixed");
        writeTestFile(folder + "/good.html", "<p>good");
        writeTestFile(folder + "/bad.html", "<p>bad");
        QDir().mkpath(folder + "/bad.txt");

        startProgram();
        addFolder(folder);
        QCOMPARE(saveAsText(),
                 "Done.\n\n1 file could not be converted:\n" + folder
                     + "/bad.html: bad.txt is not a file; it was left alone");
        QCOMPARE(readFile(folder + "/good.txt"), "good");
    }
};

QTEST_GUILESS_MAIN(DesktopTest)

#include "tst_desktop.moc"
