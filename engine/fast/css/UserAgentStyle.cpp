#include "engine/fast/css/UserAgentStyle.h"

const QString &userAgentStyleSheet()
{
    static const QString sheet = QStringLiteral(R"css(
html, address, blockquote, body, center, div, figure, figcaption, footer, form, header, hr,
legend, listing, main, p, plaintext, pre, xmp, article, aside, h1, h2, h3, h4, h5, h6, hgroup,
nav, section, dir, dd, dl, dt, menu, ol, ul, fieldset, details, summary, optgroup, frameset,
frame, layer, dialog { display: block }
li { display: list-item }
head, link, meta, script, style, title, base, basefont, datalist, noembed, noframes, param, rp,
template, area { display: none }
noscript { display: none !important }
[hidden] { display: none }
table { display: table }
caption { display: table-caption }
colgroup { display: table-column-group }
col { display: table-column }
thead { display: table-header-group }
tbody { display: table-row-group }
tfoot { display: table-footer-group }
tr { display: table-row }
td, th { display: table-cell }
input, select, button, textarea, marquee, meter, progress, keygen { display: inline-block }
input[type=hidden i] { display: none }
audio:not([controls]) { display: none }
dialog:not([open]) { display: none }
slot { display: contents }
ruby { display: ruby }
rt { display: ruby-text }
pre, listing, xmp, plaintext { white-space: pre }
textarea { white-space: pre-wrap }
pre[wrap] { white-space: pre-wrap }
nobr { white-space: nowrap }
)css");
    return sheet;
}
