// Feeds the fast engine mutated copies of sample pages for a while and stops at the first page
// that takes too long; a crash ends the program by itself. Each copy keeps its sample's
// extension, so that XHTML and saved single-file pages are read as what they are. A page that
// hangs is kept in the working folder as fuzz-hang with that extension, so that it can be
// looked at.
//
//     fuzz_fastengine <seconds> <sample folder or file>...

#include "engine/fast/FastPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <random>

#include <unistd.h>

namespace {

constexpr unsigned hangSeconds = 10;

// Pieces of markup and style that reach the engine's less travelled paths.
const QByteArrayList fragments{"<",
                               ">",
                               "</",
                               "<p>",
                               "</p>",
                               "<div>",
                               "</div>",
                               "<table>",
                               "<tr>",
                               "<td>",
                               "</td>",
                               "<span style=\"display:contents\">",
                               "<b>",
                               "<i>",
                               "</b>",
                               "<pre>",
                               "<br>",
                               "<select>",
                               "<option>",
                               "<details>",
                               "<summary>",
                               "<svg><text>",
                               "<noscript>",
                               "<template>",
                               "<style>",
                               "</style>",
                               "{",
                               "}",
                               "@media (min-width:1px){",
                               "@import 'x.css';",
                               ":not(",
                               ":nth-child(2n+1)",
                               "::before{content:\"x\"}",
                               "display:flex",
                               "display:none",
                               "white-space:pre-line",
                               "text-transform:capitalize",
                               "visibility:hidden",
                               "\\",
                               "\"",
                               "'",
                               "&#",
                               "&amp;",
                               "\xEF\xBB\xBF",
                               "\xFF\xFE",
                               "<meta charset=shift_jis>",
                               "\x80",
                               QByteArray("\0", 1),
                               "\t",
                               "\n",
                               " ",
                               "<!--",
                               "-->",
                               "<![CDATA[",
                               "<math>",
                               "<rt>",
                               "float:left"};

QByteArray pick(const QByteArrayList &list, std::mt19937 &random)
{
    return list[qsizetype(random() % size_t(list.size()))];
}

QByteArray mutated(const QByteArray &page, std::mt19937 &random)
{
    QByteArray bytes = page;
    const int mutations = 1 + int(random() % 16);
    for (int i = 0; i < mutations; ++i) {
        const qsizetype at = bytes.isEmpty() ? 0 : qsizetype(random() % size_t(bytes.size()));
        switch (random() % 5) {
        case 0: // flip a byte
            if (!bytes.isEmpty())
                bytes[at] = char(random());
            break;
        case 1: // insert markup or style
            bytes.insert(at, pick(fragments, random));
            break;
        case 2: // cut a stretch out
            bytes.remove(at, qsizetype(random() % 200));
            break;
        case 3: // repeat a stretch
            bytes.insert(at,
                         bytes.mid(at, qsizetype(random() % 100)).repeated(1 + int(random() % 50)));
            break;
        case 4: // nest deep
            bytes.insert(at, pick(fragments, random).repeated(int(random() % 5000)));
            break;
        }
    }
    return bytes;
}

struct Sample
{
    QByteArray bytes;
    QString extension;
};

QByteArray current;
QString currentExtension;

void keepHangingPage(int)
{
    QFile file(QStringLiteral("fuzz-hang.") + currentExtension);
    if (file.open(QIODevice::WriteOnly))
        file.write(current);
    const char message[] = "a page took too long; kept as fuzz-hang with its extension\n";
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    _exit(1);
}

QList<Sample> samplePages(const QStringList &paths)
{
    QList<Sample> samples;
    for (const QString &path : paths) {
        QStringList files;
        QDirIterator it(path, {"*.htm*", "*.xht*", "*.mht*"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        if (files.isEmpty())
            files << path;
        for (const QString &name : files) {
            QFile file(name);
            if (file.open(QIODevice::ReadOnly) && file.size() < 300'000)
                samples << Sample{file.readAll(), QFileInfo(name).suffix()};
        }
    }
    return samples;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    bool ok = false;
    const double seconds = arguments.value(0).toDouble(&ok);
    const QList<Sample> samples = samplePages(arguments.mid(1));
    if (!ok || samples.isEmpty()) {
        std::fprintf(stderr, "usage: fuzz_fastengine <seconds> <sample folder or file>...\n");
        return 2;
    }
    std::signal(SIGALRM, keepHangingPage);
    std::mt19937 random(12345);
    QElapsedTimer elapsed;
    elapsed.start();
    long pages = 0;
    while (elapsed.elapsed() < qint64(seconds * 1000)) {
        const Sample &sample = samples[qsizetype(random() % size_t(samples.size()))];
        current = mutated(sample.bytes, random);
        currentExtension = sample.extension;
        alarm(hangSeconds);
        const FastPage page(current,
                            QDir::current().filePath(QStringLiteral("fuzz.") + currentExtension));
        (void)page.carriesScript();
        (void)page.bodyText();
        alarm(0);
        ++pages;
    }
    std::printf("%ld mutated pages in %.0f s: no crash, none took %u s or more\n", pages,
                double(elapsed.elapsed()) / 1000, hangSeconds);
    return 0;
}
