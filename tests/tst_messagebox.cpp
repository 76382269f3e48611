// The message box takes only input meant for it: not the second click of a double-click, nor a
// key pressed as it opens, and not the repeats of a key held down since before it opened.

#include "platform/QtMessageBoxes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleHints>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

constexpr int doubleClickMs = 100;

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
    QApplication::sendEvent(box->focusWidget() ? box->focusWidget() : box, &event);
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

    // Shows the box, gives it the stray input and then, once past its first moment, a new
    // press of Return, which should dismiss it.
    void showBoxWith(const std::function<void(QMessageBox &)> &strayInput)
    {
        m_upAfterStrayInput = m_dismissedByWatchdog = false;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            strayInput(*box);
            QCoreApplication::processEvents();
            m_upAfterStrayInput = QApplication::activeModalWidget() == box;
            QTest::qWait(doubleClickMs + 50);
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
    void pressAsItOpensLeavesItUp_data();
    void pressAsItOpensLeavesItUp();
    void heldKeyLeavesItUp_data();
    void heldKeyLeavesItUp();
};

void TestMessageBox::initTestCase()
{
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(doubleClickMs);
}

void TestMessageBox::pressAsItOpensLeavesItUp_data()
{
    QTest::addColumn<QList<Key>>("keys");
    QTest::addColumn<bool>("clickOk");

    QTest::newRow("second click of a double-click, on OK") << QList<Key>{} << true;
    QTest::newRow("Return") << QList<Key>{{QEvent::KeyPress, Qt::Key_Return, 10},
                                          {QEvent::KeyRelease, Qt::Key_Return, 20}}
                            << false;
}

void TestMessageBox::pressAsItOpensLeavesItUp()
{
    QFETCH(QList<Key>, keys);
    QFETCH(bool, clickOk);
    showBoxWith([&](QMessageBox &box) {
        if (clickOk)
            QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
        sendAll(keys);
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
    QTest::newRow("unmarked repeats of Escape")
        << QList<Key>{{QEvent::KeyRelease, Qt::Key_Escape, 1000},
                      {QEvent::KeyPress, Qt::Key_Escape, 1000}};
}

void TestMessageBox::heldKeyLeavesItUp()
{
    QFETCH(QList<Key>, heldKeyEvents);
    showBoxWith([&](QMessageBox &) {
        // Past the first moment, where any press would be dropped anyway.
        QTest::qWait(doubleClickMs + 50);
        sendAll(heldKeyEvents);
    });
    QVERIFY(m_upAfterStrayInput);
    QVERIFY(!m_dismissedByWatchdog);
}

QTEST_MAIN(TestMessageBox)

#include "tst_messagebox.moc"
