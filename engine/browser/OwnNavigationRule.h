#pragma once

#include <QCoreApplication>
#include <QString>
#include <QUrl>

// Where a page may send itself (by a script or a <meta> refresh) and still be what is
// converted: to a page, by the same type rules as a listed file, in the folder of the page asked
// for or below it. Anywhere else it would hand over a file it was never given: a text file's
// contents, a page of another tree, the system's own files.
class OwnNavigationRule
{
    Q_DECLARE_TR_FUNCTIONS(OwnNavigationRule)

public:
    void setRequestedPage(const QString &absolutePath);

    // Empty when the page may go to `url`; otherwise why not, in words for a user.
    QString whyNotFollowed(const QUrl &url) const;

private:
    QString m_folder; // ends in "/"
};
