#include "RandomScripts.h"

#include "engine/fast/script/RealMembers.h"
#include "engine/fast/script/idl/IdlTable.h"

namespace {

constexpr int deepest = 3;

const char *const literals[] = {"0",
                                "-1",
                                "1",
                                "-0",
                                "2147483648",
                                "4294967297",
                                "1e300",
                                "NaN",
                                "Infinity",
                                "''",
                                "'div'",
                                "'x'",
                                "'click'",
                                "'load'",
                                "'beforeend'",
                                "'afterbegin'",
                                "'#a'",
                                "'.b'",
                                "'p > *'",
                                "':scope'",
                                "'['",
                                "'data-x'",
                                "'class'",
                                "'id'",
                                "'style'",
                                "'color: red; display: none'",
                                "'\\u0000'",
                                "'\\ud800'",
                                "'x'.repeat(100000)",
                                "null",
                                "undefined",
                                "true",
                                "false",
                                "[]",
                                "[1, 'a', null]",
                                "{}",
                                "Symbol('s')",
                                "10n",
                                "document",
                                "window",
                                "new Event('x', {bubbles: true, cancelable: true})",
                                "new CustomEvent('y', {detail: 1})"};

const char *const poolReads[] = {"any()",          "of('Node')",  "of('Element')",
                                 "of('Text')",     "of('Event')", "of('HTMLElement')",
                                 "of('NodeList')", "of('Attr')",  "of('DOMTokenList')"};

const char *const tagNames[] = {"div",    "p",     "span",   "script",  "style",  "table",
                                "tr",     "td",    "li",     "ul",      "select", "option",
                                "a",      "img",   "iframe", "svg",     "br",     "pre",
                                "button", "input", "form",   "template"};

const char *const eventTypes[] = {"click", "load",  "DOMContentLoaded", "x",
                                  "error", "input", "readystatechange", "focus"};

const char *const fragments[] = {"<p>a<b>b</b></p>c",
                                 "<!--c-->",
                                 "<script>keep(1)</script>",
                                 "<script src=s1.js></script>",
                                 "<img src=none onerror=\"keep(this)\">",
                                 "<style>p{display:none}</style>",
                                 "&amp;&nbsp;&lt;",
                                 "",
                                 "<a href=#x id=a class=\"b c\">x</a>",
                                 "<div id=a onclick=\"keep(event)\">y</div>",
                                 "<pre>\n x</pre>",
                                 "<iframe></iframe>",
                                 "<input value=v>",
                                 "<ul><li>1</li><li>2</li></ul>",
                                 "text "};

// Markup the script DOM leaves to the browser (parse errors, contexts it does not parse in):
// a page stops there.
const char *const rareFragments[] = {"<p>a<b>b</p>c",
                                     "<form><form>",
                                     "</div>",
                                     "<div>",
                                     "&amp;&nbsp;<",
                                     "<tr><td>x",
                                     "<svg><circle/><foreignObject><p>x",
                                     "<table><tr><td>1</td></tr></table>",
                                     "<select><option>a",
                                     "<template><b>t</b></template>",
                                     "<math><mi>x"};

} // namespace

QByteArray scriptString(const QByteArray &text)
{
    QByteArray quoted = "'";
    for (char c : text) {
        switch (c) {
        case '\\':
            quoted += "\\\\";
            break;
        case '\'':
            quoted += "\\'";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '<':
            // Neither "</script" nor "<!--" may reach the element's text.
            quoted += "\\x3c";
            break;
        default:
            quoted += c;
        }
    }
    return quoted + '\'';
}

RandomScripts::RandomScripts(std::mt19937 &random) : m_random(random)
{
    const RealMembers &real = RealMembers::all();
    for (const IdlInterface &interface : idlInterfaces()) {
        if (interface.has(IdlInterfaceFlag::HasConstructor) && real.findConstructor(interface.name))
            m_constructible.push_back(&interface);
        for (const IdlMember &member : interface.members) {
            const RealMember *found = real.find(interface.name, member.name);
            const bool modelled = member.kind == IdlMemberKind::Constant
                || (found && (found->getter || found->operation));
            (modelled ? m_modelled : m_traps).push_back({&interface, &member});
        }
    }
}

int RandomScripts::pick(int count)
{
    return std::uniform_int_distribution<int>(0, count - 1)(m_random);
}

QByteArray RandomScripts::prelude() const
{
    return "var pool = [document, window, document.documentElement, document.body,"
           " document.head];\n"
           "var seed = "
        + QByteArray::number(unsigned(m_random()) % 1000000)
        + ";\n"
          "function next(n) { seed = (seed * 1103515245 + 12345) % 2147483648; return seed % n; }\n"
          "function keep(x) {\n"
          "  if (x !== undefined && x !== null && pool.length < 300) pool.push(x);\n"
          "  return x;\n"
          "}\n"
          "function any() { return pool[next(pool.length)]; }\n"
          "function of(name) {\n"
          "  var type = window[name];\n"
          "  var found = pool.filter(function (x) {\n"
          "    try { return x instanceof type; } catch (e) { return false; }\n"
          "  });\n"
          "  return found.length ? found[next(found.length)] : any();\n"
          "}\n";
}

QByteArray RandomScripts::program(int statements)
{
    QByteArray code;
    for (int i = 0; i < statements; ++i)
        code += statement(0) + '\n';
    return code;
}

QByteArray RandomScripts::markup()
{
    QByteArray made;
    for (int i = pick(8); i >= 0; --i)
        made += chance(8) ? any(rareFragments) : any(fragments);
    return made;
}

QByteArray RandomScripts::statement(int depth)
{
    const int kind = pick(22);
    if (kind < 10)
        return memberUse(depth);
    if (kind < 14)
        return treeChange(depth);
    if (kind < 17)
        return scheduling(depth);
    if (kind < 19)
        return control(depth);
    if (kind < 21)
        return hazard();
    return insertedScript(depth);
}

// What breaks bindings more often than chance finds it: the tree torn down while a member works
// on it (in an argument's conversion, in a listener of the event being dispatched), live lists
// read past their change, and trees and markup nested deeper than any walk may recurse.
QByteArray RandomScripts::hazard()
{
    const char *const teardowns[] = {
        "document.body.innerHTML = ''",   "var n = of('Element'); n.parentNode.removeChild(n)",
        "of('Element').textContent = ''", "document.body.textContent = 'x'",
        "of('Element').innerHTML = ''",   "document.body.appendChild(document.documentElement)",
    };
    const QByteArray teardown = any(teardowns);
    switch (pick(7)) {
    case 0:
        return QByteArray("try { keep(of('Element').setAttribute({toString: function () { ")
            + teardown + "; return 'a'; }}, 'v')); } catch (e) { keep(e); }";
    case 1:
        return "try { of('Node').insertBefore(of('Node'), {valueOf: function () { " + teardown
            + "; }}); } catch (e) { keep(e); }";
    case 2:
        return "try { var t = of('EventTarget'); t.addEventListener('z', function (e) { " + teardown
            + "; keep(e.target); }); keep(t.dispatchEvent(new Event('z', {bubbles: "
            + "true}))); } catch (e) { keep(e); }";
    case 3:
        return "try { var l = keep("
            + QByteArray(any({"document.getElementsByTagName('*')", "document.body.childNodes",
                              "document.querySelectorAll('*')", "of('Element').attributes",
                              "of('Element').classList"}))
            + "); " + teardown + "; keep(l.length); keep(l[next(20)]); keep(l.item(next(20)));"
            + " } catch (e) { keep(e); }";
    case 4:
        return QByteArray("try { var d = of('Node'); for (var k = 0; k < ") + any({"100", "5000"})
            + "; k++) d = d.appendChild(document.createElement(k % 2 ? 'div' : 'b'));"
              " keep(d); keep(document.body.innerHTML.length);"
              " keep(document.documentElement.cloneNode(true));"
              " keep(document.querySelectorAll('div b div').length); } catch (e) { keep(e); }";
    case 5:
        return "try { of('Element').innerHTML = "
            // Nested past the parser's bound, the markup sends the page to the browser.
            + QByteArray(chance(8) ? "'<div>'.repeat(20000)"
                                   : any({"'<div>'.repeat(200)", "'<p><span>'.repeat(100)",
                                          "'<b><i>'.repeat(100)", "'<ul><li>'.repeat(100)"}))
            + "; keep(document.body.textContent.length); } catch (e) { keep(e); }";
    default:
        return "try { var a = of('Attr'); " + teardown
            + "; keep(a.ownerElement); keep(a.value); keep(a.name); } catch (e) { keep(e); }";
    }
}

// A member of the table on an object that has it (mostly), through the prototype of its
// interface on any object (now and then: the bindings must check what they are called on), or
// a constructor.
QByteArray RandomScripts::memberUse(int depth)
{
    if (chance(12) && !m_constructible.empty()) {
        const IdlInterface &interface = *m_constructible[size_t(pick(int(m_constructible.size())))];
        return "try { keep(new " + QByteArray(interface.name) + '(' + arguments(pick(3), depth)
            + ")); } catch (e) { keep(e); }";
    }
    const std::vector<Use> &uses = chance(200) || m_modelled.empty() ? m_traps : m_modelled;
    const Use use = uses[size_t(pick(int(uses.size())))];
    const QByteArray name = use.member->name;
    const QByteArray interface = use.interface->name;
    QByteArray expression;
    if (name.startsWith("@@")) {
        expression = "Array.from(" + receiver(*use.interface) + ")";
    } else if (chance(15) && use.interface->kind == IdlInterfaceKind::Interface
               && !use.member->has(IdlMemberFlag::Static)) {
        expression = use.member->kind == IdlMemberKind::Operation
            ? interface + ".prototype." + name + ".call(any()"
                + (use.member->length > 0 ? ", " + arguments(use.member->length, depth) : "") + ')'
            : "Object.getOwnPropertyDescriptor(" + interface + ".prototype, '" + name
                + "').get.call(any())";
    } else if (use.member->kind == IdlMemberKind::Operation) {
        expression = receiver(*use.interface) + '.' + name + '('
            + arguments(std::max(0, use.member->length + pick(4) - 1), depth) + ')';
    } else if (use.member->kind == IdlMemberKind::Attribute && chance(3)) {
        expression = receiver(*use.interface) + '.' + name + " = " + value(depth);
    } else {
        expression = receiver(*use.interface) + '.' + name;
    }
    return "try { keep(" + expression + "); } catch (e) { keep(e); }";
}

QByteArray RandomScripts::receiver(const IdlInterface &interface)
{
    if (interface.kind != IdlInterfaceKind::Interface)
        return interface.name;
    if (interface.has(IdlInterfaceFlag::Global))
        return chance(2) ? "window" : "self";
    return "of('" + QByteArray(interface.name) + "')";
}

QByteArray RandomScripts::arguments(int count, int depth)
{
    QByteArray list;
    for (int i = 0; i < count; ++i)
        list += (i > 0 ? ", " : "") + value(depth);
    return list;
}

QByteArray RandomScripts::value(int depth)
{
    switch (pick(depth < deepest ? 12 : 8)) {
    case 0:
    case 1:
    case 2:
        return any(literals);
    case 3:
    case 4:
    case 5:
        return any(poolReads);
    case 6:
        return scriptString(markup());
    case 7:
        return "'" + QByteArray(chance(2) ? any(tagNames) : any(eventTypes)) + "'";
    case 8:
        return function(depth + 1);
    case 9:
        return "{handleEvent: " + function(depth + 1) + "}";
    case 10:
        // Conversions that run the page's code in the middle of a member's own work.
        return "{toString: function () { " + statement(depth + 1) + " return 'x'; }}";
    default:
        return "{valueOf: function () { " + statement(depth + 1) + " return 1; }}";
    }
}

QByteArray RandomScripts::function(int depth)
{
    QByteArray body;
    for (int i = pick(3); i >= 0; --i)
        body += statement(depth) + ' ';
    return "function (e) { keep(e); " + body + '}';
}

QByteArray RandomScripts::treeChange(int depth)
{
    QByteArray code;
    switch (pick(9)) {
    case 0:
        code = "keep(document.createElement('" + QByteArray(any(tagNames)) + "'))";
        break;
    case 1:
        code = "keep(document.createTextNode(" + value(depth) + "))";
        break;
    case 2:
        code = "of('Element').innerHTML = " + scriptString(markup());
        break;
    case 3:
        code = "of('Element').insertAdjacentHTML('"
            + QByteArray(any({"beforebegin", "afterbegin", "beforeend", "afterend"})) + "', "
            + scriptString(markup()) + ')';
        break;
    case 4:
        code = "keep(of('Node').appendChild(of('Node')))";
        break;
    case 5:
        code = "keep(of('Node').insertBefore(of('Node'), of('Node')))";
        break;
    case 6:
        code = "keep(of('Node').removeChild(of('Node')))";
        break;
    case 7:
        code = "of('Node').textContent = " + value(depth);
        break;
    default:
        code = "of('Element').outerHTML = " + scriptString(markup());
        break;
    }
    return "try { " + code + "; } catch (e) { keep(e); }";
}

QByteArray RandomScripts::scheduling(int depth)
{
    const QByteArray callback = function(depth + 1);
    const QByteArray type = "'" + QByteArray(any(eventTypes)) + "'";
    switch (pick(9)) {
    case 0:
        return "setTimeout(" + callback + ", " + QByteArray::number(pick(50)) + ");";
    case 1: {
        const QByteArray id = "t" + QByteArray::number(++m_names);
        return "var " + id + " = 0, " + id + "i = setInterval(function () { if (++" + id
            + " > 3) clearInterval(" + id + "i); (" + callback + ")(); }, "
            + QByteArray::number(pick(20)) + ");";
    }
    case 2:
        return "requestAnimationFrame(" + callback + ");";
    case 3:
        return "queueMicrotask(" + callback + ");";
    case 4:
        return "Promise.resolve(any()).then(" + callback + ");";
    case 5:
        return "try { of('EventTarget').addEventListener(" + type + ", "
            + (chance(2) ? callback : "{handleEvent: " + callback + '}') + ", "
            + any({"false", "true", "{once: true}", "{capture: true, passive: true}"})
            + "); } catch (e) { keep(e); }";
    case 6:
        return "try { keep(of('EventTarget').dispatchEvent(new Event(" + type
            + ", {bubbles: true}))); } catch (e) { keep(e); }";
    case 7:
        return "try { of('EventTarget').removeEventListener(" + type
            + ", any()); } catch (e) { keep(e); }";
    default:
        return "try { of('EventTarget')['on' + " + type + "] = " + callback
            + "; } catch (e) { keep(e); }";
    }
}

QByteArray RandomScripts::control(int depth)
{
    const QByteArray inner = statement(depth + 1);
    const QByteArray name = "i" + QByteArray::number(++m_names);
    switch (pick(depth == 0 ? 6 : 5)) {
    case 0:
        // Loops in loops multiply: only the outermost runs long.
        return "for (var " + name + " = 0; " + name + " < "
            + (depth == 0 ? any({"3", "100", "1000", "pool.length"}) : any({"2", "10"})) + "; "
            + name + "++) { " + inner + " }";
    case 1:
        if (chance(4))
            return "try { (function " + name + "(n) { return " + name
                + "(n + 1) + 1; })(0); } catch (e) { keep(e); }";
        return "try { (function " + name + "(n) { " + inner + " if (n > 0) " + name + "(n - 1); })("
            + any({"3", "30"}) + "); } catch (e) { keep(e); }";
    case 2:
        return "try { throw " + value(depth) + "; } catch (e) { keep(e); }";
    case 3:
        return "try { keep(eval(" + scriptString(inner) + ")); } catch (e) { keep(e); }";
    case 4:
        return "if (next(2)) { " + inner + " }";
    default:
        // Uncaught, or never ending: the page goes to the browser, and must get there in time.
        if (chance(100))
            return "for (;;) {}";
        return chance(2) ? "throw new Error('x');" : "Promise.reject(1);";
    }
}

QByteArray RandomScripts::insertedScript(int depth)
{
    QByteArray code = "var " + QByteArray("s") + QByteArray::number(++m_names)
        + " = document.createElement('script'); ";
    const QByteArray script = "s" + QByteArray::number(m_names);
    if (chance(2) || depth >= deepest)
        code += script + ".src = 's" + QByteArray::number(pick(4)) + ".js'; ";
    else
        code += script + ".text = " + scriptString(statement(depth + 1)) + "; ";
    if (chance(3))
        code += script + ".async = false; ";
    return "try { " + code + "keep(of('Node').appendChild(" + script
        + ")); } catch (e) { keep(e); }";
}
