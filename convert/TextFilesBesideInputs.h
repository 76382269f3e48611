#pragma once

#include "convert/TextDestination.h"

class TextFileWriter;

// The program's own destination: each text in UTF-8 (without a byte-order mark) in a .txt file
// beside its input, named by outputPathFor(). An input is never replaced by its own text.
class TextFilesBesideInputs : public TextDestination
{
public:
    explicit TextFilesBesideInputs(TextFileWriter &writer) : m_writer(writer) {}

    std::optional<QString> whySkipped(const QString &inputPath) const override;
    std::optional<QString> write(const QString &inputPath, const QString &text) override;

private:
    TextFileWriter &m_writer;
};
