#include "engine/fast/FastPage.h"

#include "engine/fast/InnerText.h"
#include "engine/fast/PageDecoding.h"
#include "engine/fast/ScriptDetection.h"
#include "engine/fast/StyleResolver.h"
#include "engine/fast/StyleSheetCache.h"

#include <QFileInfo>

FastPage::FastPage(const QByteArray &bytes, const QString &path)
    : m_path(QFileInfo(path).absoluteFilePath())
{
    const DecodedPage decoded = decodePage(bytes);
    m_encodingGuessed = decoded.guessed;
    m_dom = Dom::parse(decoded.text);
}

bool FastPage::carriesScript() const
{
    return pageCarriesScript(m_dom);
}

QString FastPage::bodyText() const
{
    if (m_dom.body() < 0 || !m_dom.node(m_dom.body()).isElement("body"))
        return QLatin1String("");
    const StyleResolver resolver(m_dom, m_path, loadStyleSheet);
    const std::vector<ComputedStyle> styles = resolver.computeStyles();
    const QString text = innerText(m_dom, styles, m_dom.body());
    return text.isNull() ? QLatin1String("") : text;
}
