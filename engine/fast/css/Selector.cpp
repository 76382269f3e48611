#include "engine/fast/css/Selector.h"

QString ComplexSelector::key() const
{
    const CompoundSelector &last = compounds.back();
    for (const SimpleTest &test : last.tests) {
        if (test.kind == SimpleTest::Id)
            return '#' + test.value;
    }
    for (const SimpleTest &test : last.tests) {
        if (test.kind == SimpleTest::Class)
            return '.' + test.value;
    }
    return last.type;
}

bool testsSiblingPositions(const std::vector<ComplexSelector> &list)
{
    for (const ComplexSelector &selector : list) {
        for (const CompoundSelector &compound : selector.compounds) {
            for (const SimpleTest &test : compound.tests) {
                switch (test.kind) {
                case SimpleTest::NthChild:
                case SimpleTest::NthLastChild:
                case SimpleTest::NthOfType:
                case SimpleTest::NthLastOfType:
                case SimpleTest::OnlyChild:
                case SimpleTest::OnlyOfType:
                    return true;
                default:
                    if (testsSiblingPositions(test.list))
                        return true;
                }
            }
        }
    }
    return false;
}
