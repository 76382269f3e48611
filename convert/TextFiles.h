#pragma once

#include "convert/OutputPath.h"
#include "convert/TextDestination.h"

#include <map>
#include <set>
#include <utility>
#include <vector>

class TextFileWriter;

// Each text in UTF-8 (without a byte-order mark) in a file of its own, at the path that
// outputPathOf() chooses for its input. An input is never replaced by its own text, an output
// never written through a link, and no output written twice in one run: a page listed twice (a
// folder added again) has its text already, and of "a.htm" and "a.html", which share "a.txt",
// the later one would replace the earlier one's text.
class TextFiles : public TextDestination
{
public:
    explicit TextFiles(TextFileWriter &writer) : m_writer(writer) {}

    void startRun() override;
    std::optional<QString> whyNotWritable(const QString &inputPath) const override;
    std::optional<QString> whySkipped(const QString &inputPath) const override;
    bool isWrittenAlready(const QString &inputPath) const override;
    std::optional<QString> whyNoLongerWritable(const QString &inputPath) const override;
    bool dependsOnPrepared(const QString &inputPath) const override;
    std::optional<QString> prepare(const QString &inputPath, const QString &text) override;
    std::vector<std::optional<QString>> commitPrepared() override;

protected:
    virtual QString outputPathOf(const QString &inputPath) const = 0;
    // Stages a text with the writer, at outputPath as it is by default.
    virtual bool stage(TextFileWriter &writer, const QString &outputPath, const QByteArray &content,
                       QString &error);

private:
    struct WrittenOutput
    {
        QString name;
        std::optional<FileIdentity> output;
        std::optional<FileIdentity> input; // the page it was written for
    };
    using OutputKey = std::pair<QString, QString>; // resolved folder, case-folded name
    struct PreparedOutput
    {
        QString outputPath;
        QString inputPath;
    };
    // The written output at outputPath, if this run wrote one there.
    const WrittenOutput *writtenOutput(const QString &outputPath) const;
    static OutputKey outputKey(const QString &outputPath);

    TextFileWriter &m_writer;
    // The text files this run has written so far, by their resolved folder and case-folded name.
    std::map<OutputKey, WrittenOutput> m_writtenOutputs;
    std::vector<PreparedOutput> m_prepared; // staged with the writer, in order
    std::set<OutputKey> m_preparedKeys;
};
