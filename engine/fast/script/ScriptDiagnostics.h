#pragma once

#include <string>

// What stopped the last page this thread ran: the interface member used that the runtime does
// not model ("Element.animate"), the error nothing caught, or an empty string. For the figures of a
// run and the bench: which members matter most to real pages.
const std::string &lastMemberNotModelled();
