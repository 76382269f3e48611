#include "engine/fast/dom/DocumentBase.h"

#include "engine/fast/dom/Dom.h"

namespace {

// The first <base> with an href, or -1.
int baseElement(const Dom &dom)
{
    for (int at = 0; at < dom.size(); ++at) {
        const DomNode &node = dom.node(at);
        if (node.isElement("base") && node.hasAttribute(QLatin1String("href")))
            return at;
    }
    return -1;
}

} // namespace

QUrl documentBaseUrl(const Dom &dom, const QString &pagePath)
{
    const QUrl page = QUrl::fromLocalFile(pagePath);
    const int base = baseElement(dom);
    return base < 0
        ? page
        : page.resolved(QUrl(dom.node(base).attribute(QLatin1String("href")).trimmed()));
}

bool hasBaseElement(const Dom &dom)
{
    return baseElement(dom) >= 0;
}
