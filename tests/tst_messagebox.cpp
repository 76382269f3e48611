// The message box takes only input meant for it: not the second click of a double-click on the
// button below it, and not the repeats of a key held down since before it opened.

#include "platform/QtMessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QStyleHints>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Long, so that even a slow machine clicks within the box's first moment.
constexpr int doubleClickMs = 2000;

struct Key
{
    QEvent::Type type;
    Qt::Key key;
    quint64 timestamp;
    bool autoRepeat = false;
};

void send(const Key &key)
{
    QWidget *box = QApplication::activeModalWidget();
    if (!box)
        return; // dismissed already
    QKeyEvent event(key.type, key.key, Qt::NoModifier, QString(), key.autoRepeat);
    event.setTimestamp(key.timestamp);
    // As the window system delivers it: to the window, which hands it to its focus widget.
    QApplication::sendEvent(box->windowHandle(), &event);
}

void sendAll(const QList<Key> &keys)
{
    for (const Key &key : keys)
        send(key);
}

} // namespace

class TestMessageBox : public QObject
{
    Q_OBJECT

    bool m_upAfterStrayInput = false;
    bool m_dismissedByWatchdog = false;

    // Shows the box, gives it the stray input and then a new press of Return, which should
    // dismiss it.
    void showBoxWith(const std::function<void(QMessageBox &)> &strayInput)
    {
        m_upAfterStrayInput = m_dismissedByWatchdog = false;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            strayInput(*box);
            QCoreApplication::processEvents();
            m_upAfterStrayInput = QApplication::activeModalWidget() == box;
            send({QEvent::KeyPress, Qt::Key_Return, 100'000});
        });
        // Should the new press not dismiss the box either, the test ends rather than waits.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                m_dismissedByWatchdog = true;
                box->reject();
            }
        });
        watchdog.start(5000);

        QtMessageBoxes().inform(QStringLiteral("Done."));
    }

private slots:
    void initTestCase();
    void secondClickOfADoubleClickLeavesItUp();
    void heldKeyLeavesItUp_data();
    void heldKeyLeavesItUp();
};

void TestMessageBox::initTestCase()
{
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(doubleClickMs);
}

void TestMessageBox::secondClickOfADoubleClickLeavesItUp()
{
    showBoxWith([&](QMessageBox &box) {
        const QAbstractButton *ok = box.button(QMessageBox::Ok);
        QTest::mouseClick(box.windowHandle(), Qt::LeftButton, {},
                          ok->mapTo(&box, ok->rect().center()));
    });
    QVERIFY(m_upAfterStrayInput);
    QVERIFY(!m_dismissedByWatchdog);
}

void TestMessageBox::heldKeyLeavesItUp_data()
{
    QTest::addColumn<QList<Key>>("heldKeyEvents");

    // On X11 a repeat is a release and a press of one timestamp, marked as a repeat or not,
    // depending on whether the press had arrived when Qt read the release.
    QTest::newRow("unmarked repeats of Return")
        << QList<Key>{{QEvent::KeyRelease, Qt::Key_Return, 1000},
                      {QEvent::KeyPress, Qt::Key_Return, 1000},
                      {QEvent::KeyRelease, Qt::Key_Return, 1040},
                      {QEvent::KeyPress, Qt::Key_Return, 1040}};
    QTest::newRow("marked repeats of Return, then its release")
        << QList<Key>{{QEvent::KeyRelease, Qt::Key_Return, 1000, true},
                      {QEvent::KeyPress, Qt::Key_Return, 1000, true},
                      {QEvent::KeyPress, Qt::Key_Return, 1040, true},
                      {QEvent::KeyRelease, Qt::Key_Return, 1060}};
    QTest::newRow("unmarked repeats of Escape") << QList<Key>{
        {QEvent::KeyRelease, Qt::Key_Escape, 1000}, {QEvent::KeyPress, Qt::Key_Escape, 1000}};
}

void TestMessageBox::heldKeyLeavesItUp()
{
    QFETCH(QList<Key>, heldKeyEvents);
    showBoxWith([&](QMessageBox &) { sendAll(heldKeyEvents); });
    QVERIFY(m_upAfterStrayInput);
    QVERIFY(!m_dismissedByWatchdog);
}

QTEST_MAIN(TestMessageBox)

#include "tst_messagebox.moc"
