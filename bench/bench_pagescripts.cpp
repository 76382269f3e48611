// The script runtime over real pages: the CPU each page's scripts cost, and what became of it
// (settled, or the reason it goes to the browser engine).
//
//   bench_pagescripts [--repeat N] [--text DIR] PATH...
//
// A PATH that is a folder is walked for *.html. With --text, the text of each page whose scripts
// settled is written to DIR, named after the page's path with "/" as "_" and ".txt" added, to
// be compared with the browser engine's.

#include "engine/BrowserReason.h"
#include "engine/PageDecoding.h"
#include "engine/fast/css/StyleResolver.h"
#include "engine/fast/css/StyleSheetCache.h"
#include "engine/fast/script/PageScripts.h"
#include "engine/fast/script/ScriptDiagnostics.h"
#include "engine/fast/text/InnerText.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <ctime>

namespace {

double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

QStringList pagesIn(const QStringList &paths)
{
    QStringList pages;
    for (const QString &path : paths) {
        if (QFileInfo(path).isDir()) {
            QDirIterator walk(path, {QStringLiteral("*.html"), QStringLiteral("*.htm")},
                              QDir::Files, QDirIterator::Subdirectories);
            while (walk.hasNext())
                pages.append(walk.next());
        } else {
            pages.append(path);
        }
    }
    std::sort(pages.begin(), pages.end());
    return pages;
}

std::optional<QByteArray> readLocal(const QString &url, PageResourceKind)
{
    QFile file(QUrl(url).toLocalFile());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    int repeat = 1;
    QString textFolder;
    while (arguments.size() >= 2 && arguments.first().startsWith(u"--")) {
        if (arguments.first() == u"--repeat")
            repeat = std::max(1, arguments.at(1).toInt());
        else if (arguments.first() == u"--text")
            textFolder = arguments.at(1);
        arguments = arguments.mid(2);
    }
    QTextStream out(stdout);
    QMap<QString, int> outcomes;
    std::vector<double> costs;
    for (const QString &path : pagesIn(arguments)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const Utf8Page page = decodePageToUtf8(file.readAll());
        const QString url =
            QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
        const PageScriptContext context{url, url, page.encoding};
        std::optional<BrowserReason> reason;
        const double start = cpuMilliseconds();
        Dom dom;
        for (int round = 0; round < repeat; ++round) {
            dom = parsePageForScripts(page.utf8);
            reason = runPageScripts(dom, page.utf8, context, readLocal);
        }
        const double cost = (cpuMilliseconds() - start) / repeat;
        if (!reason && !textFolder.isEmpty() && dom.body() >= 0) {
            const StyleResolver styles(dom, QFileInfo(path).absoluteFilePath(), loadStyleSheet);
            QFile text(textFolder + u'/' + QString(path).replace(u'/', u'_')
                       + QStringLiteral(".txt"));
            if (text.open(QIODevice::WriteOnly))
                text.write(innerText(dom, styles.computeStyles(), dom.body()).toUtf8());
        }
        costs.push_back(cost);
        QString outcome = reason ? describeBrowserReason(*reason) : QStringLiteral("settled");
        if (!lastMemberNotModelled().empty())
            outcome += u' ' + QString::fromStdString(lastMemberNotModelled());
        ++outcomes[outcome];
        out << QString::asprintf("%8.2f ms  ", cost) << outcome << "  " << path << '\n';
    }
    if (costs.empty())
        return 1;
    std::sort(costs.begin(), costs.end());
    double total = 0;
    for (double cost : costs)
        total += cost;
    out << "\npages " << costs.size()
        << QString::asprintf(", CPU per page: mean %.2f ms, median %.2f ms, max %.2f ms\n",
                             total / double(costs.size()), costs[costs.size() / 2], costs.back());
    for (auto outcome = outcomes.cbegin(); outcome != outcomes.cend(); ++outcome)
        out << "  " << outcome.key() << ": " << outcome.value() << '\n';
    return 0;
}
