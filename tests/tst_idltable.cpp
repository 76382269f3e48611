// The table of interfaces the script runtime installs: what the runtime relies on of its shape,
// and members whose kind, flags or figures pages depend on.

#include "engine/fast/script/idl/IdlTable.h"

#include <QHash>
#include <QSet>
#include <QTest>

namespace {

const IdlMember *memberOf(const char *interfaceName, std::string_view memberName,
                          bool isStatic = false)
{
    const IdlInterface *interface = idlInterfaceNamed(interfaceName);
    if (!interface)
        return nullptr;
    for (const IdlMember &member : interface->members) {
        if (member.name == memberName && member.has(IdlMemberFlag::Static) == isStatic)
            return &member;
    }
    return nullptr;
}

} // namespace

class TestIdlTable : public QObject
{
    Q_OBJECT

private slots:
    void parentsComeFirstAndNamesAreFound()
    {
        const std::span<const IdlInterface> interfaces = idlInterfaces();
        QVERIFY(interfaces.size() > 600);
        QSet<QByteArray> names;
        for (int i = 0; i < int(interfaces.size()); ++i) {
            const IdlInterface &interface = interfaces[i];
            QVERIFY2(interface.parent >= -1 && interface.parent < i, interface.name);
            QVERIFY2(!names.contains(interface.name), interface.name);
            names.insert(interface.name);
            QCOMPARE(idlInterfaceNamed(interface.name), &interface);
            if (interface.kind == IdlInterfaceKind::Namespace) {
                QVERIFY2(interface.parent == -1, interface.name);
                QVERIFY2(!interface.has(IdlInterfaceFlag::HasConstructor), interface.name);
            }
        }
        QCOMPARE(idlInterfaceNamed(""), nullptr);
        QCOMPARE(idlInterfaceNamed("Nod"), nullptr);
        QCOMPARE(idlInterfaceNamed("Nodes"), nullptr);
        QCOMPARE(idlInterfaceNamed("WebAssembly"), nullptr); // switched off in the browser

        QCOMPARE(idlParent(*idlInterfaceNamed("HTMLDivElement"))->name, "HTMLElement");
        QCOMPARE(idlParent(*idlInterfaceNamed("Document"))->name, "Node");
        QCOMPARE(idlParent(*idlInterfaceNamed("Window"))->name, "EventTarget");
        QCOMPARE(idlParent(*idlInterfaceNamed("EventTarget")), nullptr);
        QCOMPARE(idlParent(*idlInterfaceNamed("DOMException")), nullptr);
    }

    void membersAreWellFormedAndUnique()
    {
        for (const IdlInterface &interface : idlInterfaces()) {
            QSet<QByteArray> seen;
            for (const IdlMember &member : interface.members) {
                const QByteArray where = QByteArray(interface.name) + '.' + member.name;
                QVERIFY2(member.name && *member.name, interface.name);
                // One property per name on each object: the prototype, or the interface object
                // for statics and constants.
                const QByteArray key = (member.has(IdlMemberFlag::Static) ? "static " : "")
                    + QByteArray(member.name);
                QVERIFY2(!seen.contains(key), where);
                seen.insert(key);
                if (member.has(IdlMemberFlag::EventHandler))
                    QVERIFY2(member.kind == IdlMemberKind::Attribute
                                 && QByteArray(member.name).startsWith("on"),
                             where);
                if (member.kind != IdlMemberKind::Operation)
                    QVERIFY2(member.length == 0, where);
                if (interface.kind == IdlInterfaceKind::CallbackInterface)
                    QVERIFY2(member.kind == IdlMemberKind::Constant, where);
            }
        }
    }

    void membersPagesMeetFirst()
    {
        const IdlMember *rect = memberOf("Element", "getBoundingClientRect");
        QVERIFY(rect && rect->kind == IdlMemberKind::Operation && rect->length == 0);
        QCOMPARE(memberOf("Element", "setAttribute")->length, 2);
        QCOMPARE(memberOf("Node", "insertBefore")->length, 2);      // the second may be null
        QCOMPARE(memberOf("Document", "createElement")->length, 1); // the options are optional
        QCOMPARE(memberOf("Window", "setTimeout")->length, 1);      // from a mixin

        const IdlMember *elementNode = memberOf("Node", "ELEMENT_NODE");
        QVERIFY(elementNode && elementNode->kind == IdlMemberKind::Constant);
        QCOMPARE(elementNode->constantValue, 1.0);
        // Written in hexadecimal in the IDL.
        QCOMPARE(memberOf("Node", "DOCUMENT_POSITION_CONTAINED_BY")->constantValue, 16.0);
        QCOMPARE(memberOf("NodeFilter", "SHOW_ALL")->constantValue, double(0xFFFFFFFF));

        const IdlMember *document = memberOf("Window", "document");
        QVERIFY(document && document->kind == IdlMemberKind::Attribute);
        QVERIFY(document->has(IdlMemberFlag::Readonly));
        QVERIFY(document->has(IdlMemberFlag::LegacyUnforgeable));
        QVERIFY(idlInterfaceNamed("Window")->has(IdlInterfaceFlag::Global));
        QVERIFY(memberOf("Window", "self")->has(IdlMemberFlag::Replaceable));
        QVERIFY(memberOf("Window", "location")->has(IdlMemberFlag::PutForwards));
        QVERIFY(memberOf("Window", "onload")->has(IdlMemberFlag::EventHandler));

        const IdlMember *offsetWidth = memberOf("HTMLElement", "offsetWidth");
        QVERIFY(offsetWidth && offsetWidth->kind == IdlMemberKind::Attribute);
        QVERIFY(offsetWidth->has(IdlMemberFlag::Readonly));
        QVERIFY(!memberOf("HTMLElement", "title")->has(IdlMemberFlag::Readonly));
        QVERIFY(memberOf("HTMLElement", "onclick")->has(IdlMemberFlag::EventHandler));

        const IdlMember *toString = memberOf("Location", "toString");
        QVERIFY(toString && toString->has(IdlMemberFlag::Stringifier));
        QVERIFY(toString->has(IdlMemberFlag::LegacyUnforgeable));
        QVERIFY(memberOf("NodeList", "@@iterator"));       // iterable
        QVERIFY(memberOf("HTMLCollection", "@@iterator")); // indexed properties
        QVERIFY(memberOf("URL", "createObjectURL", true));
        QVERIFY(!memberOf("URL", "createObjectURL"));
    }

    void interfacesPagesMeetFirst()
    {
        const IdlInterface *css = idlInterfaceNamed("CSS");
        QVERIFY(css && css->kind == IdlInterfaceKind::Namespace);
        QVERIFY(memberOf("CSS", "escape"));
        QCOMPARE(idlInterfaceNamed("console")->kind, IdlInterfaceKind::Namespace);
        QCOMPARE(idlInterfaceNamed("NodeFilter")->kind, IdlInterfaceKind::CallbackInterface);

        const IdlInterface *event = idlInterfaceNamed("Event");
        QVERIFY(event->has(IdlInterfaceFlag::HasConstructor));
        QCOMPARE(event->constructorLength, 1);
        QVERIFY(!idlInterfaceNamed("Node")->has(IdlInterfaceFlag::HasConstructor));
        QVERIFY(idlInterfaceNamed("HTMLElement")->has(IdlInterfaceFlag::HasConstructor));

        const auto items = [](const char *name) {
            const IdlInterface *interface = idlInterfaceNamed(name);
            return std::pair(interface->has(IdlInterfaceFlag::IndexedProperties),
                             interface->has(IdlInterfaceFlag::NamedProperties));
        };
        QCOMPARE(items("HTMLCollection"), std::pair(true, true));
        QCOMPARE(items("HTMLFormControlsCollection"), std::pair(true, true)); // inherited
        QCOMPARE(items("NodeList"), std::pair(true, false));
        QCOMPARE(items("Window"), std::pair(false, true));
        QCOMPARE(items("HTMLDocument"),
                 std::pair(false, true)); // the browser's own, under Document
        QCOMPARE(items("Element"), std::pair(false, false));
        QCOMPARE(items("TouchEvent"), std::pair(false, false));
    }

    void whatOnlyTheBrowserHasIsMarked()
    {
        QVERIFY(memberOf("Document", "caretRangeFromPoint")->has(IdlMemberFlag::NotInIdl));
        QVERIFY(memberOf("Window", "webkitRequestAnimationFrame")->has(IdlMemberFlag::NotInIdl));
        QVERIFY(!memberOf("Document", "createElement")->has(IdlMemberFlag::NotInIdl));
        QVERIFY(idlInterfaceNamed("HTMLDocument")->has(IdlInterfaceFlag::NotInIdl));

        QHash<QByteArray, std::pair<QByteArray, bool>> aliases;
        for (const IdlWindowAlias &alias : idlWindowAliases())
            aliases.insert(alias.name,
                           {idlInterfaces()[alias.interface].name, alias.isFactoryFunction});
        QCOMPARE(aliases.value("webkitURL"), std::pair(QByteArray("URL"), false));
        QCOMPARE(aliases.value("Image"), std::pair(QByteArray("HTMLImageElement"), true));
        QCOMPARE(aliases.value("Option"), std::pair(QByteArray("HTMLOptionElement"), true));
    }
};

QTEST_GUILESS_MAIN(TestIdlTable)
#include "tst_idltable.moc"
