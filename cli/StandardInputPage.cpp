#include "cli/StandardInputPage.h"

#include <QDir>

#include <array>

namespace {

const QString nameTemplate = QStringLiteral("~quillmere-stdin-XXXXXX.html");

} // namespace

StandardInputPage::StandardInputPage(std::FILE *input, QString &error)
    : m_file(QStringLiteral("./") + nameTemplate)
{
    if (!m_file.open()) {
        m_inCurrentFolder = false;
        m_file.setFileTemplate(QDir::tempPath() + QDir::separator() + nameTemplate);
        if (!m_file.open()) {
            error = QStringLiteral("standard input could not be kept in a file (%1)")
                        .arg(m_file.errorString());
            return;
        }
    }
    m_ready = copyFrom(input, error);
}

bool StandardInputPage::copyFrom(std::FILE *input, QString &error)
{
    std::array<char, 65536> buffer;
    size_t read;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), input)) > 0) {
        if (m_file.write(buffer.data(), qint64(read)) != qint64(read)) {
            error = QStringLiteral("standard input could not be kept in a file (%1)")
                        .arg(m_file.errorString());
            return false;
        }
    }
    if (std::ferror(input)) {
        error = QStringLiteral("standard input could not be read");
        return false;
    }
    m_file.close();
    return true;
}
