#!/usr/bin/env python3
"""dealers-check --map read back as XML: a circle per dealer at its place and radius, styled by the findings, also
for 10,000 zones and labels that are no valid text; docs/sample_zones.svg is today's map of the sample data."""
import os
import random
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

checker, source = sys.argv[1], sys.argv[2]
SVG = "{http://www.w3.org/2000/svg}"


def run(folder, lines):
    with open(os.path.join(folder, "dealers.csv"), "wb") as out:
        out.write(b"".join(lines))
    svg = os.path.join(folder, "zones.svg")
    done = subprocess.run([checker, folder, "--map", svg], capture_output=True)
    assert done.returncode in (0, 1), done
    report = done.stdout.decode("utf-8", "replace").splitlines()
    assert report[-1] == "map: " + svg and len(report) < 700, report[-3:]
    tree = ElementTree.parse(svg)
    circles = {int(c.get("data-line")): c for c in tree.iter(SVG + "circle")
               if "zone" in c.get("class").split() and c.get("data-line") is not None}
    return circles, [t.text or "" for t in tree.iter(SVG + "text")]


with tempfile.TemporaryDirectory() as folder:
    circles, texts = run(folder, [
        b"-412.5,1180,14.8,25,Harbour lot & <annex>\n",  # 1
        b"-400,1180,0,20,caf\xc3\xa9 \xff\xfe\n",         # 2: overlaps 1; a label that is no valid UTF-8
        b"-410,1181,0,3\n",                               # 3: within 1, never chosen
        b"1290.25,-640,21,0\n",                           # 4: a point, drawn as a marker
        b"0,0,0,-5\n",                                    # 5: holds nobody
        b"x,y,z,radius\n",                                # 6: skipped, not drawn
        b"nan,0,0,5\n",                                   # 7: not a point on the map
    ])
    places = {1: (-412.5, 1180, 25, {"overlaps"}), 2: (-400, 1180, 20, {"overlaps"}),
              3: (-410, 1181, 3, {"never"}), 4: (1290.25, -640, 0, set()), 5: (0, 0, -5, {"nobody"})}
    assert sorted(circles) == sorted(places), sorted(circles)
    for line, (x, y, radius, styles) in places.items():
        c = circles[line]
        assert (float(c.get("cx")), float(c.get("cy")), int(c.get("data-radius"))) == (x, y, radius), line
        assert set(c.get("class").split()) - {"zone"} == styles, line
        drawn = float(c.get("r"))
        assert drawn == radius or drawn > max(radius, 0), (line, drawn)  # a marker only when too small
    assert float(circles[1].get("r")) == 25
    assert "1 Harbour lot & <annex>" in texts and "2 caf\u00e9 ??" in texts, texts

    generator = random.Random(11)
    assert len(run(folder, [b"%.2f,%.2f,0,%d,Lot %d\n" % (generator.uniform(-4000, 4000), generator.uniform(
        -4000, 4000), generator.randint(5, 80), i) for i in range(10000)])[0]) == 10000

    svg = os.path.join(folder, "sample_zones.svg")
    subprocess.run([checker, "car_dealers", "--map", svg], cwd=os.path.join(source, "data"), check=True,
                   capture_output=True)
    with open(svg, "rb") as drawn, open(os.path.join(source, "docs", "sample_zones.svg"), "rb") as committed:
        assert drawn.read() == committed.read(), "docs/sample_zones.svg is stale: draw it again with --map"
print("zone map: ok")
