// Writes a sample corpus of HTML pages for the benchmark: articles, tables, lists, pages built
// by scripts, pages whose styles hide or change text, and pages in several encodings. The same
// arguments always give the same bytes, so figures taken on two machines can be compared.
//
//     make_corpus <folder> [pages]        (300 pages when not given)

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

// Words a Latin-1 page can hold, and words only Unicode can.
const QStringList latinWords{"the",     "of",      "and",    "river",   "quill",  "harbour",
                             "north",   "letter",  "garden", "winter",  "market", "lantern",
                             "evening", "council", "bridge", "orchard", "ledger", "copper",
                             "café",    "naïve",   "Größe",  "São",     "façade", "smørrebrød",
                             "déjà",    "Ærø",     "señor",  "übrig"};
const QStringList unicodeWords{"日本語", "Ελληνικά",   "русский", "עברית", "العربية",
                               "한국어", "emoji 🦆", "math ∑∞", "Łódź",  "Čeština"};

// Picks by plain modulo of the generator's output, which the standard fixes for mt19937
// (the standard distributions may differ between libraries).
class Picker
{
public:
    explicit Picker(unsigned seed) : m_random(seed) {}

    int below(int n) { return int(m_random() % unsigned(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    const QString &word(const QStringList &words) { return words[below(int(words.size()))]; }

    QString sentence(bool unicode)
    {
        QStringList words;
        for (int i = between(5, 18); i > 0; --i)
            words << (unicode && below(6) == 0 ? word(unicodeWords) : word(latinWords));
        words[0][0] = words[0][0].toUpper();
        return words.join(' ') + '.';
    }

    QString paragraph(bool unicode)
    {
        QStringList sentences;
        for (int i = between(1, 8); i > 0; --i)
            sentences << sentence(unicode);
        return sentences.join(' ');
    }

private:
    std::mt19937 m_random;
};

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString page(const QString &title, const QString &head, const QString &body)
{
    return "<!DOCTYPE html>\n<html><head>" + head + "<title>" + escaped(title)
        + "</title></head>\n<body>\n" + body + "\n</body></html>\n";
}

QString article(Picker &pick, bool unicode)
{
    QString body = "<h1>" + escaped(pick.sentence(unicode)) + "</h1>\n";
    for (int i = pick.between(3, 150); i > 0; --i) {
        if (pick.below(8) == 0)
            body += "<h2>" + escaped(pick.sentence(unicode)) + "</h2>\n";
        body += "<p>" + escaped(pick.paragraph(unicode)) + " <em>" + escaped(pick.sentence(unicode))
            + "</em> <a href=\"#n" + QString::number(i) + "\">more</a></p>\n";
    }
    return body;
}

QString table(Picker &pick)
{
    const int columns = pick.between(2, 8);
    QString body = "<table border=1>\n<thead><tr>";
    for (int c = 0; c < columns; ++c)
        body += "<th>" + escaped(pick.word(latinWords)) + "</th>";
    body += "</tr></thead>\n<tbody>\n";
    for (int r = pick.between(5, 300); r > 0; --r) {
        body += "<tr>";
        for (int c = 0; c < columns; ++c)
            body += "<td>" + QString::number(pick.between(0, 99999)) + "</td>";
        body += "</tr>\n";
    }
    return body + "</tbody></table>\n";
}

QString lists(Picker &pick, bool unicode)
{
    QString body = "<ul>\n";
    for (int i = pick.between(3, 60); i > 0; --i) {
        body += "<li>" + escaped(pick.sentence(unicode));
        if (pick.below(3) == 0) {
            body += "<ol>";
            for (int j = pick.between(1, 5); j > 0; --j)
                body += "<li>" + escaped(pick.word(latinWords)) + "</li>";
            body += "</ol>";
        }
        body += "</li>\n";
    }
    body += "</ul>\n<dl>";
    for (int i = pick.between(1, 10); i > 0; --i)
        body += "<dt>" + escaped(pick.word(latinWords)) + "</dt><dd>"
            + escaped(pick.sentence(unicode)) + "</dd>";
    return body + "</dl>\n";
}

// Text that only exists once the page's scripts have run, and script text that must not show.
QString scripted(Picker &pick, bool unicode)
{
    const int paragraphs = pick.between(5, 200);
    return "<p>" + escaped(pick.paragraph(unicode)) + "</p>\n"
        + "<script>document.write('<p>written while loading</p>');</script>\n"
        + "<div id=built></div>\n<script>\nvar built = document.getElementById('built');\n"
        + "for (var i = 0; i < " + QString::number(paragraphs) + "; ++i) {\n"
        + "  var p = document.createElement('p');\n"
        + "  p.textContent = 'Paragraph ' + i + ' made by a script.';\n"
        + "  built.appendChild(p);\n}\n</script>\n"
        + "<noscript>shown only without scripts</noscript>\n";
}

// Text that styles hide, move or change, next to text they leave alone.
QString styled(Picker &pick, bool unicode)
{
    QString body;
    for (int i = pick.between(3, 80); i > 0; --i) {
        switch (pick.below(5)) {
        case 0:
            body += "<p class=gone>" + escaped(pick.sentence(unicode)) + "</p>\n";
            break;
        case 1:
            body += "<p class=loud>" + escaped(pick.sentence(unicode)) + "</p>\n";
            break;
        case 2:
            body += "<p class=marked>" + escaped(pick.sentence(unicode)) + "</p>\n";
            break;
        case 3:
            body += "<pre>" + escaped(pick.sentence(unicode)) + "\n    indented</pre>\n";
            break;
        default:
            body += "<p>" + escaped(pick.paragraph(unicode)) + "</p>\n";
        }
    }
    return body;
}

const QString styleSheet = "<style>.gone { display: none } .loud { text-transform: uppercase }"
                           " .marked::before { content: '>> ' } body { font: 12px serif }</style>";

enum class Encoding { Utf8Meta, Utf8Bom, Latin1, Windows1252, Utf16LeBom };

QByteArray windows1252(const QString &text)
{
    QByteArray bytes;
    for (QChar c : text) {
        switch (c.unicode()) {
        case 0x20AC:
            bytes += '\x80';
            break; // euro sign
        case 0x2018:
            bytes += '\x91';
            break;
        case 0x2019:
            bytes += '\x92';
            break;
        case 0x201C:
            bytes += '\x93';
            break;
        case 0x201D:
            bytes += '\x94';
            break;
        case 0x2013:
            bytes += '\x96';
            break;
        case 0x2014:
            bytes += '\x97';
            break;
        default:
            bytes += char(c.unicode() < 256 ? c.unicode() : '?');
        }
    }
    return bytes;
}

QByteArray utf16LittleEndianWithBom(const QString &text)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    return bytes;
}

QByteArray encodedPage(Picker &pick, Encoding encoding)
{
    const bool unicode = encoding == Encoding::Utf8Meta || encoding == Encoding::Utf8Bom
        || encoding == Encoding::Utf16LeBom;
    QString body = article(pick, unicode);
    switch (encoding) {
    case Encoding::Utf8Meta:
        return page("UTF-8", "<meta charset=\"utf-8\">", body).toUtf8();
    case Encoding::Utf8Bom:
        return "\xEF\xBB\xBF" + page("UTF-8 with BOM", "", body).toUtf8();
    case Encoding::Latin1:
        return page("Latin-1",
                    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
                    body)
            .toLatin1();
    case Encoding::Windows1252:
        body += "<p>\u201CQuoted\u201D \u2018single\u2019 \u2013 dash \u2014 price 20 \u20AC</p>\n";
        return windows1252(page("windows-1252", "<meta charset=\"windows-1252\">", body));
    case Encoding::Utf16LeBom:
        return utf16LittleEndianWithBom(page("UTF-16", "", body));
    }
    return {};
}

QByteArray pageBytes(int index)
{
    Picker pick(20261206u + unsigned(index));
    const bool unicode = pick.below(2) == 0;
    const QString meta = "<meta charset=\"utf-8\">";
    switch (index % 6) {
    case 0:
        return page("Article", meta, article(pick, unicode)).toUtf8();
    case 1:
        return page("Table", meta, table(pick)).toUtf8();
    case 2:
        return page("Lists", meta, lists(pick, unicode)).toUtf8();
    case 3:
        return page("Scripts", meta, scripted(pick, unicode)).toUtf8();
    case 4:
        return page("Styles", meta + styleSheet, styled(pick, unicode)).toUtf8();
    default:
        return encodedPage(pick, Encoding((index / 6) % 5));
    }
}

QString relativePath(int index)
{
    static const QStringList kinds{"articles", "tables", "lists", "scripts", "styles", "encodings"};
    static const QStringList extensions{"html", "htm", "HTML"};
    return QStringLiteral("%1/page%2.%3")
        .arg(kinds[index % 6])
        .arg(index, 4, 10, QChar('0'))
        .arg(extensions[(index / 6) % 3]);
}

bool writePage(const QDir &root, int index)
{
    const QString path = root.filePath(relativePath(index));
    QFile file(path);
    const QByteArray bytes = pageBytes(index);
    if (!root.mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly)
        || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_corpus <folder> [pages]\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const int pages = argc == 3 ? std::atoi(argv[2]) : 300;
    if (pages < 1) {
        std::fprintf(stderr, "make_corpus: the number of pages must be at least 1\n");
        return 2;
    }
    for (int index = 0; index < pages; ++index) {
        if (!writePage(root, index))
            return 1;
    }
    std::printf("%d pages in %s\n", pages, qPrintable(root.absolutePath()));
    return 0;
}
