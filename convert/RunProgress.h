#pragma once

// Share of the list done after itemNumber, counted against the list as it is now: the
// division and the multiplication in double precision, the result in single. The list may
// have shrunk during the run, so the result is held within 0 to 100.
float progressPercent(int itemNumber, int currentCount);
