#include "app/HomePage.h"

#include "platform/Desktop.h"
#include "platform/RandomSource.h"

#include <QString>

#include <cmath>

bool maybeOpenHomePage(RandomSource &random, Desktop &desktop)
{
    const int n = int(std::floor(random.next() * 100)) + 1;
    if (n != 7)
        return false;
    desktop.openUrl(QString::fromLatin1(homePageUrl));
    return true;
}
