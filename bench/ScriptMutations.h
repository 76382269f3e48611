#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QStringList>

#include <random>

// Real pages' scripts (libraries, themes, generators' own), and copies of them changed as a
// fuzzer changes them: cut, spliced with pieces of others, their names and numbers replaced.
class ScriptMutations
{
public:
    // The scripts of *.js files and the inline scripts of *.html files in `paths`, walked.
    explicit ScriptMutations(const QStringList &paths);

    bool isEmpty() const { return m_scripts.isEmpty(); }
    qsizetype size() const { return m_scripts.size(); }

    // A script of the corpus, unchanged now and then, else with a few changes.
    QByteArray mutated(std::mt19937 &random) const;

private:
    void addFile(const QString &path);
    const QByteArray &anyScript(std::mt19937 &random) const;

    QByteArrayList m_scripts;
};
