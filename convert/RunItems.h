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
};

// Items that stay as they were given, for runs without a window.
class FixedItems : public RunItems
{
public:
    explicit FixedItems(QStringList paths) : m_paths(std::move(paths)) {}

    int count() const override { return int(m_paths.size()); }
    QString path(int position) const override { return m_paths.value(position - 1); }

private:
    QStringList m_paths;
};
