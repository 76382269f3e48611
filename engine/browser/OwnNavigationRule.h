#pragma once

#include <QCoreApplication>
#include <QString>
#include <QUrl>

// Where a page may send itself (by a script or a <meta> refresh) and still be what is
// converted: to a page, by the same type rules as a listed file, within the folder the page was
// listed under (a folder added whole), or in the page's own folder or below it for a page listed
// alone. Anywhere else it would hand over a file it was never given: a text file's contents, a
// page of another tree, the system's own files.
class OwnNavigationRule
{
    Q_DECLARE_TR_FUNCTIONS(OwnNavigationRule)

public:
    // Both paths absolute and clean; an empty `listedFolder`, or one that does not hold the
    // page, stands for a page listed alone.
    void setRequestedPage(const QString &absolutePath, const QString &listedFolder);

    // Empty when the page may go to `url`; otherwise why not, in words for a user.
    QString whyNotFollowed(const QUrl &url) const;

private:
    QString m_folder; // ends in "/"
    bool m_isListedFolder = false;
};
