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
