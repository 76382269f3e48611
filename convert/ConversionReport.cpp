#include "convert/ConversionReport.h"

#include <algorithm>

qsizetype ConversionReport::count(ItemOutcome::Result result) const
{
    return std::count_if(items.begin(), items.end(),
                         [result](const ItemOutcome &item) { return item.result == result; });
}

QList<ItemFailure> ConversionReport::failures() const
{
    QList<ItemFailure> failures;
    for (const ItemOutcome &item : items) {
        if (item.result == ItemOutcome::Result::Failed)
            failures.append({item.path, item.reason});
    }
    return failures;
}
