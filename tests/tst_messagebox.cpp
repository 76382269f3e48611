// The message box takes only keys pressed while it is up: a key held down since before it
// opened goes on repeating into it, and must not dismiss it unseen.

#include "platform/QtMessageBoxes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

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

} // namespace

class TestMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void heldKeyLeavesTheBoxUp_data();
    void heldKeyLeavesTheBoxUp();
};

void TestMessageBox::heldKeyLeavesTheBoxUp_data()
{
    QTest::addColumn<QList<Key>>("heldKeyEvents");
    QTest::addColumn<Qt::Key>("freshKey");

    // On X11 a repeat is a release and a press of one timestamp, marked as a repeat or not,
    // depending on whether the press had arrived when Qt read the release.
    QTest::newRow("unmarked repeats of Return")
        << QList<Key>{{QEvent::KeyRelease, Qt::Key_Return, 1000},
                      {QEvent::KeyPress, Qt::Key_Return, 1000},
                      {QEvent::KeyRelease, Qt::Key_Return, 1040},
                      {QEvent::KeyPress, Qt::Key_Return, 1040}}
        << Qt::Key_Return;
    QTest::newRow("marked repeats of Return, then its release")
        << QList<Key>{{QEvent::KeyRelease, Qt::Key_Return, 1000, true},
                      {QEvent::KeyPress, Qt::Key_Return, 1000, true},
                      {QEvent::KeyPress, Qt::Key_Return, 1040, true},
                      {QEvent::KeyRelease, Qt::Key_Return, 1060}}
        << Qt::Key_Return;
    QTest::newRow("unmarked repeats of Escape, new Return")
        << QList<Key>{{QEvent::KeyRelease, Qt::Key_Escape, 1000},
                      {QEvent::KeyPress, Qt::Key_Escape, 1000}}
        << Qt::Key_Return;
}

void TestMessageBox::heldKeyLeavesTheBoxUp()
{
    QFETCH(QList<Key>, heldKeyEvents);
    QFETCH(Qt::Key, freshKey);

    bool upAfterHeldKey = false;
    bool dismissedByWatchdog = false;
    QTimer::singleShot(0, [&] {
        QVERIFY(QApplication::activeModalWidget());
        for (const Key &key : heldKeyEvents)
            send(key);
        QCoreApplication::processEvents();
        QWidget *box = QApplication::activeModalWidget();
        upAfterHeldKey = box && box->isVisible();
        if (upAfterHeldKey)
            send({QEvent::KeyPress, freshKey, 5000});
    });
    // Should the new press not dismiss the box either, the test ends rather than waits.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            dismissedByWatchdog = true;
            box->reject();
        }
    });
    watchdog.start(5000);

    QtMessageBoxes().inform(QStringLiteral("Done."));
    QVERIFY(upAfterHeldKey);
    QVERIFY(!dismissedByWatchdog);
}

QTEST_MAIN(TestMessageBox)

#include "tst_messagebox.moc"
