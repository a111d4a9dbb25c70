#!/usr/bin/env python3
"""The reports, help and maps (docs/*.svg) the player notes show are what dealers-check prints and draws; maps
read back as XML hold a circle per zone, also for 300 and 301 zones, none, one, roads, and labels of invalid text,
and a picture under them where --background and --bounds put it."""
import base64
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

checker, source = sys.argv[1], sys.argv[2]
SVG = "{http://www.w3.org/2000/svg}"


def run(folder, lines, background=()):
    with open(os.path.join(folder, "dealers.csv"), "wb") as out:
        out.write(b"".join(lines))
    svg = os.path.join(folder, "zones.svg")
    done = subprocess.run([checker, folder, "--map", svg, *background], capture_output=True)
    assert done.returncode in (0, 1), done
    report = done.stdout.decode("utf-8", "replace").splitlines()
    top = [line for line in report if not line.startswith("  ")]  # the picture's lines are indented below
    assert top[-2] == "map: " + svg and len(report) < 700, report[-3:]  # the verdict last
    tree = ElementTree.parse(svg)
    circles = {int(c.get("data-line")): c for c in tree.iter(SVG + "circle")
               if "zone" in c.get("class").split() and c.get("data-line") is not None}
    frame = tree.getroot().find(SVG + "svg")  # pixels wide and high; its view box: the world, y down
    left, top, width, height = map(float, frame.get("viewBox").split())
    centre = round(left + width / 2, 3), round(-top - height / 2, 3)
    texts = [t.text or "" for t in tree.iter(SVG + "text")]
    world = left, -top - height, left + width, -top
    return circles, texts, (frame.get("width"), frame.get("height")) + centre, world, frame


with tempfile.TemporaryDirectory("\x01\x1f") as folder:
    # Labels with markup, bytes at each limit of what XML takes (a byte beyond shows as "?"), also in the
    # folder's name, a place that is no point and a zone of negative radius.
    circles, texts, *_ = run(folder, [
        b"-412.5,1180,14.8,25,Harbour lot <annex>\n",
        b"-400,1180,0,20,caf\xc3\xa9 \xff\xfe\xc1\xbf\xc2\x80\xdf\xbf \xe0\x9f\xbf\xe0\xa0\x80"
        b"\xed\x9f\xbf\xed\xa0\x80\xef\xbf\xbd\xef\xbf\xbe\n", b"nan,0,0,5\n",
        b"0,0,0,5,\xf0\x8f\xbf\xbf\xf0\x90\x80\x80\xf4\x8f\xbf\xbf\xf4\x90\x80\x80\xf5\x80<\xe2\x82\n", b"0,0,0,-5\n"])
    assert sorted(circles) == [1, 2, 4, 5] and "1 Harbour lot <annex>" in texts and "1200" in texts, texts # grid: 200
    assert "2 caf\u00e9 ????\u0080\u07ff ???\u0800\ud7ff???\ufffd???" in texts, texts
    assert "4 ????\U00010000\U0010ffff??????<??" in texts, texts
    assert any("; 1 not drawn: not a finite point." in text for text in texts), texts

    for count in (300, 301):  # labels beside the zones up to 300, inside them beyond
        circles, texts, *_ = run(folder, [b"%d,%d,0,10\n" % (i % 20 * 100, i // 20 * 100) for i in range(count)])
        assert len(circles) == count and any("; labels show when zoomed in." in text for text in texts) == (count > 300)
    circles, texts, *_ = run(folder, [b"0,0,0,5\n"])
    assert texts[0].endswith(": 1 dealer (world units, north up)") and "1 zone that shares no ground with another" in texts
    # No zones: a frame around the origin. Roads: the short side keeps room for coordinates.
    for lines, frame in (([], ("1000", "1000", 0, 0)),
                         ([b"%d,0,0,10\n" % (i * 100) for i in range(40)], ("1000", "200", 1950, 0)),
                         ([b"0,%d,0,10\n" % (i * 100) for i in range(40)], ("300", "1000", 0, 1950))):
        assert run(folder, lines)[2] == frame, frame

    # Over a picture, PNG or JPEG by its bytes whatever its name: its corners where --bounds puts them, in either
    # order, the file whole in the map, and the frame around the picture and every zone, those beyond it too.
    town = os.path.join(source, "docs", "sample_town.png")
    # JPEGs with bytes after their end, a last read of one byte, 3n + 2 and 3n bytes (the town has 3n + 1).
    jpeg, long_jpeg = os.path.join(folder, "grey.png"), os.path.join(folder, "long.jpg")
    with open(os.path.join(source, "tests", "dealers_check", "grey_64x48.jpg"), "rb") as grey:
        grey = grey.read()
    for path, size in ((jpeg, 65537), (long_jpeg, 131073)):
        with open(path, "wb") as out:
            out.write(grey.ljust(size, b"\0"))
    for picture, kind, bounds, edges in ((town, "png", "2800,1800,-1200,-2200", (-1200, -2200, 2800, 1800)),
                                         (jpeg, "jpeg", "-1.5,250.25,3e3,-1e3", (-1.5, -1000, 3000, 250.25)),
                                         (long_jpeg, "jpeg", "0,0,1,1", (0, 0, 1, 1))):
        zones = [b"-412.5,1180,14.8,25\n", b"4000,-3000,0,10\n"]
        circles, texts, _, world, frame = run(folder, zones, ("--background", picture, "--bounds", bounds))
        image = frame.find(SVG + "image")
        x, y, width, height = (float(image.get(name)) for name in ("x", "y", "width", "height"))
        assert (x, -y - height, x + width, -y) == edges and image.get("preserveAspectRatio") == "none", image.attrib
        with open(picture, "rb") as data:
            embedded = "data:image/%s;base64,%s" % (kind, base64.b64encode(data.read()).decode())
        assert image.get("{http://www.w3.org/1999/xlink}href") == embedded
        inside = [edges, (-437.5, 1155, -387.5, 1205), (3990, -3010, 4010, -2990)]  # the picture, both zones
        assert all(world[0] < l and world[1] < b and r < world[2] and t < world[3] for l, b, r, t in inside), world

    # docs/sample_zones_town.svg: the sample over the picture tools/sample_town.py paints, the same every run.
    painted = os.path.join(folder, "sample_town.png")
    subprocess.run([sys.executable, os.path.join(source, "tools", "sample_town.py"), painted], check=True)
    with open(painted, "rb") as new, open(town, "rb") as committed:
        assert new.read() == committed.read(), "docs/sample_town.png is not what tools/sample_town.py paints"
    shutil.copytree(os.path.join(source, "data", "car_dealers"), os.path.join(folder, "car_dealers"))
    subprocess.run([checker, "car_dealers", "--map", "town.svg", "--background", "sample_town.png",
                    "--bounds", "-1200,-2200,2800,1800"], cwd=folder, check=True, capture_output=True)
    with open(os.path.join(folder, "town.svg"), "rb") as drawn:
        with open(os.path.join(source, "docs", "sample_zones_town.svg"), "rb") as committed:
            assert drawn.read() == committed.read(), "docs/sample_zones_town.svg is stale: draw it again"
    shutil.rmtree(os.path.join(folder, "car_dealers"))

    svg = os.path.join(folder, "sample_zones.svg")
    subprocess.run([checker, "car_dealers", "--map", svg], cwd=os.path.join(source, "data"), check=True,
                   capture_output=True)
    with open(svg, "rb") as drawn, open(os.path.join(source, "docs", "sample_zones.svg"), "rb") as committed:
        assert drawn.read() == committed.read(), "docs/sample_zones.svg is stale: draw it again with --map"

    notes = open(os.path.join(source, "docs", "players.md")).read()
    for marker, arguments in (("On the `car_dealers` folder", []), ("(or `-h`)", ["--help"]), ("(or `-h`)", ["-h"])):
        shown = re.findall(r"```\n(.*?)```", notes[notes.index(marker):], re.S)[0]
        done = subprocess.run([checker] + arguments, cwd=os.path.join(source, "data"), capture_output=True, text=True)
        assert (done.returncode, done.stdout) == (0, shown), "the notes show another %s:\n%s" % (arguments, done.stdout)
    conf, csv, report = re.findall(r"```\n(.*?)```", notes[notes.index("For a folder whose `dealers.conf`"):], re.S)[:3]
    os.makedirs(os.path.join(folder, "car_dealers"))
    for name, text in (("dealers.conf", conf), ("dealers.csv", csv)):
        with open(os.path.join(folder, "car_dealers", name), "w") as out:
            out.write(text)
    done = subprocess.run([checker, "--map", "example_zones.svg"], cwd=folder, capture_output=True, text=True)
    verdict = report.rstrip("\n").rfind("\n") + 1
    assert (done.returncode, done.stdout) == (1, report[:verdict] + "map: example_zones.svg\n" + report[verdict:]), \
        "the example of docs/players.md is not what the check prints:\n" + done.stdout
    with open(os.path.join(folder, "example_zones.svg"), "rb") as drawn, \
            open(os.path.join(source, "docs", "example_zones.svg"), "rb") as committed:
        assert drawn.read() == committed.read(), "docs/example_zones.svg is not the example's map: draw it again"
    # Files as Windows programs save them: Notepad's "Unicode", a spreadsheet's "CSV UTF-8", both with CR LF.
    conf, csv, report = re.findall(r"```\n(.*?)```", notes[notes.index("Files as Windows programs save them"):], re.S)[:3]
    for name, data in (("dealers.conf", conf.replace("\n", "\r\n").encode("utf-16")),
                       ("dealers.csv", b"\xef\xbb\xbf" + csv.replace("\n", "\r\n").encode())):
        with open(os.path.join(folder, "car_dealers", name), "wb") as out:
            out.write(data)
    done = subprocess.run([checker], cwd=folder, capture_output=True, text=True)
    assert (done.returncode, done.stdout) == (1, report), "the notes show another check of saved files:\n" + done.stdout
print("zone map and notes: ok")
