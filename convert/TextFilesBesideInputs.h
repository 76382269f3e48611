#pragma once

#include "convert/TextFiles.h"

// The program's own destination: each text in a .txt file beside its input, named by
// outputPathFor().
class TextFilesBesideInputs : public TextFiles
{
public:
    using TextFiles::TextFiles;

protected:
    QString outputPathOf(const QString &inputPath) const override
    {
        return outputPathFor(inputPath);
    }
};
