// The scripts of javadoc's standard doclet (JDK 17), as openjdk-17-doc ships them with Debian
// 12's jQuery and jQuery UI. Beyond the scripts they load, they change nothing that is rendered:
// the search box's value and class, the autocomplete's empty live region and hidden menu.

#include "engine/fast/knownscripts/DomQueries.h"
#include "engine/fast/knownscripts/ScriptFamilies.h"

#include <QRegularExpression>

namespace {

// The inline loader: script.js's loadScripts() puts the search script and its indexes, found
// by the page's way back to the root, each before the first script of the document.
bool loadSearchScripts(Dom &dom, int script, const ScriptPage &)
{
    static const QRegularExpression pathToRoot(
        QStringLiteral("var pathtoroot = \"([A-Za-z0-9_./-]*)\";"));
    const QRegularExpressionMatch match = pathToRoot.match(dom.textContent(script));
    if (!match.hasMatch())
        return false;
    for (const char *name :
         {"search.js", "module-search-index.js", "package-search-index.js", "type-search-index.js",
          "member-search-index.js", "tag-search-index.js"}) {
        const int first = firstElement(dom, htmlElement("script"));
        const int added = dom.createElement(QStringLiteral("script"),
                                            {{"src", match.captured(1) + QLatin1String(name)}});
        dom.insertBefore(dom.node(first).parent, added, first);
    }
    return true;
}

} // namespace

// Kept: the script runtime sends every page to the browser, its scripts stopping at the trap on
// a CSSStyleDeclaration over a style attribute (earlier, on Document.implementation): 2.0
// files/s at 314 ms of CPU a page against 87 files/s at 4.7 ms with this model on java.io's 89
// pages (Release build, same sitting, 7 December 2026).
const std::vector<KnownScript> &javadocScripts()
{
    static const std::vector<KnownScript> scripts{
        {"jquery.min.js 3.6.1 (Debian 12 libjs-jquery, named jquery-3.7.1.min.js by javadoc)",
         "03378a725b68b791419d83f47f10ff7ca5819c7d9d1dadba9edd26ef2ce588fd", nullptr},
        {"jquery-ui.min.js 1.13.2 (Debian 12 libjs-jquery-ui)",
         "c362847dc97a86055306c36b7ac779a1bc694c12cf3a2089fcc19b1a2e00d79a", nullptr},
        {"script.js (javadoc, openjdk-17-doc 17.0.21)",
         "cbcc9c6530d4b8243436efb89516537f3d6b3a4eceaa0e6256c57bdb8ddb544d", nullptr},
        {"search.js (javadoc, openjdk-17-doc 17.0.21)",
         "47c74de257f7e407a21e5d22519b664cfa1c83d04c362bff466c8424b702d31f", nullptr},
        {"module-search-index.js (openjdk-17-doc 17.0.21)",
         "7ab549505f718c8d298847904b64a75c5569bea32bddcb22ed1ef1a15876fc6d", nullptr},
        {"package-search-index.js (openjdk-17-doc 17.0.21)",
         "ff3e281a1fe20b7adba405ca53838698b0dd23a4576c0d19080bdc875198c318", nullptr},
        {"type-search-index.js (openjdk-17-doc 17.0.21)",
         "b83c4c54c992068118ace982463e4e95af3f8a5a9c2cc80fb48d490ab7e2c1a7", nullptr},
        {"member-search-index.js (openjdk-17-doc 17.0.21)",
         "db0e132cfba6c2d24108c71dff46bea5b66afacafc4ce7a6ba9904579ce89573", nullptr},
        {"tag-search-index.js (openjdk-17-doc 17.0.21)",
         "6b856da4b323e1e1a0ecc043397421e911f75370431992444078d3425260508d", nullptr},
        {"inline loader: var pathtoroot = \"...\"; loadScripts(document, 'script');",
         "3d8b413008ac9e862d8804208c482b1970c27608f377c1b0bf6f5699ec3ddc06",
         loadSearchScripts,
         {0}},
        {"inline loader with the row and tab class names of summary tables",
         "484f78fac2f3837553ff0d8fa6ed5306643a3944487764bec3b70fc9ae6ff179",
         loadSearchScripts,
         {4}},
    };
    return scripts;
}
