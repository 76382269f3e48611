#pragma once

#include "engine/fast/knownscripts/KnownScript.h"

#include <vector>

// The known scripts, one family for each documentation generator (one file each).
const std::vector<KnownScript> &sphinxScripts();
const std::vector<KnownScript> &javadocScripts();
const std::vector<KnownScript> &asciidocScripts();
const std::vector<KnownScript> &doxygenScripts();
const std::vector<KnownScript> &mdbookScripts();
const std::vector<KnownScript> &rustdocScripts();
