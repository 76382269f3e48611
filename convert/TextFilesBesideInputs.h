#pragma once

#include "convert/OutputPath.h"
#include "convert/TextDestination.h"

#include <map>

class TextFileWriter;

// The program's own destination: each text in UTF-8 (without a byte-order mark) in a .txt file
// beside its input, named by outputPathFor(). An input is never replaced by its own text, an
// output never written through a link, and no output written twice in one run: a page listed
// twice (a folder added again) has its text already, and of "a.htm" and "a.html", which share
// "a.txt", the later one would replace the earlier one's text.
class TextFilesBesideInputs : public TextDestination
{
public:
    explicit TextFilesBesideInputs(TextFileWriter &writer) : m_writer(writer) {}

    void startRun() override;
    std::optional<QString> whyNotWritable(const QString &inputPath) const override;
    std::optional<QString> whySkipped(const QString &inputPath) const override;
    bool isWrittenAlready(const QString &inputPath) const override;
    std::optional<QString> whyNoLongerWritable(const QString &inputPath) const override;
    std::optional<QString> write(const QString &inputPath, const QString &text) override;

private:
    TextFileWriter &m_writer;
    // The text files this run has written so far, each with the page it was written for.
    std::map<FileIdentity, FileIdentity> m_writtenOutputs;
};
