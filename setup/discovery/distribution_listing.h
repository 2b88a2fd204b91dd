// What a distribution offers, as -list prints it: the version line, then hosts, install
// types, content kinds, targets, boards by target and additional items, each with the name
// an answer file uses first, then its description and what is special about it (not in
// this distribution, chosen by default, what it needs). Read from installOptions after
// discovery, so with catalogs present nothing is extracted.
#pragma once

#include <string>

// The listing of the distribution that discovery has filled installOptions with.
std::string DistributionListing();
