#pragma once
// The dealer zones as a picture: an SVG map drawn from the same check as the text report.
#include "folder_check.h"
#include "picture.h"

namespace dealers_check {

// Every dealer whose place is a finite point is one circle of class "zone" at its x, y (world
// units, north up) with data-line and data-radius; r is its radius, or a minimum marker where
// the zone would be too small to see. Overlapping and never chosen zones have their own styles,
// with a legend, a scale and the coordinates at the edges. With a picture, the map is drawn over it,
// its corners at their world points, and the frame holds both the picture and every zone.
void WriteZoneMap(const FolderCheck& check, Output& out, const Picture* picture = nullptr);

} // namespace dealers_check
