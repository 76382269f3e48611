#pragma once

#include <QByteArray>

#include <random>
#include <vector>

struct IdlInterface;
struct IdlMember;

// Random programs for a page's scripts, as a hostile or careless page could write them: they
// reach every member of every interface window exposes, mostly those the runtime models (a
// member it does not model stops the page at once), with arguments of the right type and of
// every wrong one; they build trees and tear them down, set markup, listen, dispatch, queue
// timers, microtasks and frames, throw, recurse and loop. Every statement keeps what it made in
// a pool the following ones draw from.
class RandomScripts
{
public:
    explicit RandomScripts(std::mt19937 &random);

    // The page's first script: the pool of values, seeded with the document's own objects, and
    // a random generator of its own so that a page kept after a fault runs again as it ran.
    QByteArray prelude() const;
    QByteArray program(int statements);
    QByteArray markup();

private:
    struct Use
    {
        const IdlInterface *interface;
        const IdlMember *member;
    };

    int pick(int count);
    bool chance(int inCount) { return pick(inCount) == 0; }
    template <std::size_t count>
    const char *any(const char *const (&list)[count])
    {
        return list[pick(int(count))];
    }

    QByteArray statement(int depth);
    QByteArray memberUse(int depth);
    QByteArray receiver(const IdlInterface &interface);
    QByteArray arguments(int count, int depth);
    QByteArray value(int depth);
    QByteArray function(int depth);
    QByteArray treeChange(int depth);
    QByteArray scheduling(int depth);
    QByteArray control(int depth);
    QByteArray insertedScript(int depth);
    QByteArray hazard();

    std::mt19937 &m_random;
    std::vector<Use> m_modelled;
    std::vector<Use> m_traps;
    std::vector<const IdlInterface *> m_constructible;
    int m_names = 0;
};

// A JavaScript string literal of `text`, safe inside an inline script element.
QByteArray scriptString(const QByteArray &text);
