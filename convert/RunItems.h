#pragma once

#include <QString>
#include <QStringList>

// The items a run converts, read by position (from 1) at the moment the run reaches them, so
// that a list changed during the run is read as it is then.
class RunItems
{
public:
    virtual ~RunItems() = default;

    virtual int count() const = 0;
    virtual QString path(int position) const = 0;
    // The folder the item was found in when a folder was added whole, where its page may send
    // itself; empty for a file listed alone.
    virtual QString listedFolder(int position) const
    {
        Q_UNUSED(position)
        return {};
    }
};

// Items that stay as they were given, for runs without a window; `listedFolders`, by position
// too, may be shorter than `paths`.
class FixedItems : public RunItems
{
public:
    explicit FixedItems(QStringList paths, QStringList listedFolders = {})
        : m_paths(std::move(paths))
        , m_listedFolders(std::move(listedFolders))
    {
    }

    int count() const override { return int(m_paths.size()); }
    QString path(int position) const override { return m_paths.value(position - 1); }
    QString listedFolder(int position) const override
    {
        return m_listedFolders.value(position - 1);
    }

private:
    QStringList m_paths;
    QStringList m_listedFolders;
};
