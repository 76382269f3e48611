#include "ElementInterfaces.h"

#include <QHash>
#include <QString>

namespace {

const QHash<QString, const char *> &htmlInterfaces()
{
    static const QHash<QString, const char *> interfaces = [] {
        QHash<QString, const char *> map;
        const std::pair<const char *, const char *> rows[] = {
            {"a", "HTMLAnchorElement"},
            {"area", "HTMLAreaElement"},
            {"audio", "HTMLAudioElement"},
            {"base", "HTMLBaseElement"},
            {"blockquote", "HTMLQuoteElement"},
            {"body", "HTMLBodyElement"},
            {"br", "HTMLBRElement"},
            {"button", "HTMLButtonElement"},
            {"canvas", "HTMLCanvasElement"},
            {"caption", "HTMLTableCaptionElement"},
            {"col", "HTMLTableColElement"},
            {"colgroup", "HTMLTableColElement"},
            {"data", "HTMLDataElement"},
            {"datalist", "HTMLDataListElement"},
            {"del", "HTMLModElement"},
            {"details", "HTMLDetailsElement"},
            {"dialog", "HTMLDialogElement"},
            {"dir", "HTMLDirectoryElement"},
            {"div", "HTMLDivElement"},
            {"dl", "HTMLDListElement"},
            {"embed", "HTMLEmbedElement"},
            {"fieldset", "HTMLFieldSetElement"},
            {"font", "HTMLFontElement"},
            {"form", "HTMLFormElement"},
            {"frame", "HTMLFrameElement"},
            {"frameset", "HTMLFrameSetElement"},
            {"h1", "HTMLHeadingElement"},
            {"h2", "HTMLHeadingElement"},
            {"h3", "HTMLHeadingElement"},
            {"h4", "HTMLHeadingElement"},
            {"h5", "HTMLHeadingElement"},
            {"h6", "HTMLHeadingElement"},
            {"head", "HTMLHeadElement"},
            {"hr", "HTMLHRElement"},
            {"html", "HTMLHtmlElement"},
            {"iframe", "HTMLIFrameElement"},
            {"img", "HTMLImageElement"},
            {"input", "HTMLInputElement"},
            {"ins", "HTMLModElement"},
            {"label", "HTMLLabelElement"},
            {"legend", "HTMLLegendElement"},
            {"li", "HTMLLIElement"},
            {"link", "HTMLLinkElement"},
            {"map", "HTMLMapElement"},
            {"marquee", "HTMLMarqueeElement"},
            {"menu", "HTMLMenuElement"},
            {"meta", "HTMLMetaElement"},
            {"meter", "HTMLMeterElement"},
            {"object", "HTMLObjectElement"},
            {"ol", "HTMLOListElement"},
            {"optgroup", "HTMLOptGroupElement"},
            {"option", "HTMLOptionElement"},
            {"output", "HTMLOutputElement"},
            {"p", "HTMLParagraphElement"},
            {"param", "HTMLParamElement"},
            {"picture", "HTMLPictureElement"},
            {"pre", "HTMLPreElement"},
            {"listing", "HTMLPreElement"},
            {"xmp", "HTMLPreElement"},
            {"progress", "HTMLProgressElement"},
            {"q", "HTMLQuoteElement"},
            {"script", "HTMLScriptElement"},
            {"select", "HTMLSelectElement"},
            {"slot", "HTMLSlotElement"},
            {"source", "HTMLSourceElement"},
            {"span", "HTMLSpanElement"},
            {"style", "HTMLStyleElement"},
            {"table", "HTMLTableElement"},
            {"tbody", "HTMLTableSectionElement"},
            {"thead", "HTMLTableSectionElement"},
            {"tfoot", "HTMLTableSectionElement"},
            {"td", "HTMLTableCellElement"},
            {"th", "HTMLTableCellElement"},
            {"template", "HTMLTemplateElement"},
            {"textarea", "HTMLTextAreaElement"},
            {"time", "HTMLTimeElement"},
            {"title", "HTMLTitleElement"},
            {"tr", "HTMLTableRowElement"},
            {"track", "HTMLTrackElement"},
            {"ul", "HTMLUListElement"},
            {"video", "HTMLVideoElement"},
        };
        for (const auto &[name, interface] : rows)
            map.insert(QString::fromLatin1(name), interface);
        // Elements HTML defines with no interface of their own.
        for (const char *name :
             {"abbr",    "acronym",  "address",  "article",    "aside",  "b",      "basefont",
              "bdi",     "bdo",      "big",      "center",     "cite",   "code",   "dd",
              "dfn",     "dt",       "em",       "figcaption", "figure", "footer", "header",
              "hgroup",  "i",        "kbd",      "main",       "mark",   "nav",    "nobr",
              "noembed", "noframes", "noscript", "plaintext",  "rp",     "rt",     "ruby",
              "s",       "samp",     "section",  "small",      "strike", "strong", "sub",
              "summary", "sup",      "tt",       "u",          "var",    "wbr"})

            map.insert(QString::fromLatin1(name), "HTMLElement");
        return map;
    }();
    return interfaces;
}

} // namespace

const char *elementInterface(DomNode::Namespace ns, QStringView localName)
{
    switch (ns) {
    case DomNode::Html: {
        const auto found = htmlInterfaces().constFind(localName.toString());
        if (found != htmlInterfaces().constEnd())
            return found.value();
        // A valid custom element name holds a hyphen.
        return localName.contains(u'-') ? "HTMLElement" : "HTMLUnknownElement";
    }
    case DomNode::Svg:
        return localName == u"svg" ? "SVGSVGElement" : "SVGElement";
    case DomNode::MathMl:
        return "MathMLElement";
    case DomNode::Other:
        break;
    }
    return "Element";
}
