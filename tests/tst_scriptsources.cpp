#include "engine/fast/script/PageRuntime.h"
#include "engine/fast/script/ScriptElements.h"
#include "engine/fast/script/ScriptSources.h"
#include "engine/fast/script/V8Strings.h"

#include <QTest>

// Script files held by a worker for the pages after: a file is only ever given the text its own
// bytes decode to, however many others came between.
class TestScriptSources : public QObject
{
    Q_OBJECT

private slots:
    void aFileIsDecodedAsItsBytesCharsetAndPageSay();
    void aHeldTextGoesToV8AsItself();
};

namespace {

QString decodedOrNull(const QByteArray &bytes, const QString &charset, const QByteArray &page)
{
    return ScriptSources::decoded(bytes, charset, page).value_or(QString());
}

} // namespace

void TestScriptSources::aFileIsDecodedAsItsBytesCharsetAndPageSay()
{
    const QByteArray cafe = "var s = 'caf\xC3\xA9';";
    const QString utf8 = *decodeScript(cafe, QString(), "UTF-8");
    QCOMPARE(decodedOrNull(cafe, QString(), "UTF-8"), utf8);
    QCOMPARE(decodedOrNull(cafe, QString(), "UTF-8"), utf8);
    // The same bytes read in another encoding, by the element's charset or the page's.
    QCOMPARE(decodedOrNull(cafe, QStringLiteral("windows-1252"), "UTF-8"),
             *decodeScript(cafe, QStringLiteral("windows-1252"), "UTF-8"));
    QCOMPARE(decodedOrNull(cafe, QString(), "windows-1252"),
             *decodeScript(cafe, QString(), "windows-1252"));
    QVERIFY(decodedOrNull(cafe, QString(), "windows-1252") != utf8);
    // A file changed in one byte, its size the same.
    QByteArray changed = cafe;
    changed[5] = 't';
    QCOMPARE(decodedOrNull(changed, QString(), "UTF-8"), QString::fromUtf8(changed));
    // Past the files held, the first one is decoded again, as itself.
    for (int file = 0; file <= ScriptSources::maxHeldFiles; ++file) {
        const QByteArray other = "var n = " + QByteArray::number(file) + ';';
        QCOMPARE(decodedOrNull(other, QString(), "UTF-8"), QString::fromLatin1(other));
    }
    QCOMPARE(decodedOrNull(cafe, QString(), "UTF-8"), utf8);
}

void TestScriptSources::aHeldTextGoesToV8AsItself()
{
    v8::Isolate *isolate = PageRuntime::sharedIsolate();
    v8::Isolate::Scope entered(isolate);
    v8::HandleScope handles(isolate);
    const QByteArray bytes = "document.title = 'held';";
    const QString held = *ScriptSources::decoded(bytes, QString(), "UTF-8");
    const v8::Local<v8::String> first = ScriptSources::v8Source(isolate, held);
    QCOMPARE(fromV8(isolate, first), QString::fromLatin1(bytes));
    QVERIFY(ScriptSources::v8Source(isolate, held) == first);
    // A text of the same size that only began as the held one is not taken for it.
    QString edited = held;
    edited[0] = u'D';
    QCOMPARE(fromV8(isolate, ScriptSources::v8Source(isolate, edited)), edited);
    QCOMPARE(fromV8(isolate, ScriptSources::v8Source(isolate, held)), held);
}

QTEST_GUILESS_MAIN(TestScriptSources)
#include "tst_scriptsources.moc"
