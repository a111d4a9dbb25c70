#pragma once
// Which dealer zones share ground, and which are never chosen, for lists of any length: the work
// grows with the zones and the pairs that really meet, and is capped for lists where nearly every
// zone meets every other.
#include "folder_check.h"

#include <cstdint>
#include <vector>

namespace dealers_check {

// Sets never_chosen_by and overlaps of each dealer and fills overlaps. A zone is never chosen when
// it lies wholly within a zone listed before it: wherever it holds the player, the earlier one does
// too and is found first (duplicates are the plainest case). Zones overlap when their centres are
// closer than the sum of their radii and both can be chosen. Zones that hold nobody (a negative
// radius, a point that is not finite) take no part. checkBudget caps the pairs looked at in each
// of the two passes; past it, overlaps.complete is false and the figures are lower bounds.
void FindOverlaps(std::vector<Dealer>& dealers, Overlaps& overlaps, std::uint64_t checkBudget = 400'000'000);

} // namespace dealers_check
