#!/usr/bin/python3
"""Reads the DXF file of `korvane-cli route dxf` back with ezdxf, a DXF reader
of its own, and checks it against the alignment:

    dxf_read_back.py KORVANE_CLI ROUTE_CASES WORK_DIR

Positions are checked against the command line's own forward and inverse
results (`route info`, `route inverse --decimals 9`) and against the numbers
of the alignment file itself. Exit status 0 when every check holds, 1 on a
failure, 77 (skipped) when ezdxf is not installed.
"""
import math
import os
import subprocess
import sys
from collections import Counter

try:
    import ezdxf
except ImportError:
    print("SKIP: the DXF reader ezdxf is not installed (Debian: python3-ezdxf,"
          " scripts/install-deps test installs it)")
    sys.exit(77)

CLI, CASES, WORK = sys.argv[1], sys.argv[2], sys.argv[3]
ALIGNMENT = os.path.join(CASES, "pi-alignment.csv")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def cli(*args):
    run = subprocess.run([CLI, *args], cwd=WORK, capture_output=True)
    if run.returncode != 0:
        sys.exit(f"korvane-cli {' '.join(args)}: status {run.returncode}: "
                 f"{run.stderr.decode()}")
    return run.stdout.decode("utf-8")


def csv_rows(text):
    lines = text.strip().split("\n")
    head = lines[0].split(",")
    return [dict(zip(head, line.split(","))) for line in lines[1:]]


os.makedirs(WORK, exist_ok=True)

# The alignment file itself: QD, the JDs with R, Ls1, Ls2, ZD, the chain break.
with open(ALIGNMENT, encoding="gbk") as f:
    records = [line.strip().split(",") for line in f
               if line.strip() and not line.startswith("#")]
start = next(r for r in records if r[0] == "起点")
jds = [r for r in records if r[0] == "交点"]
end = next(r for r in records if r[0] == "终点")
polygon = [(float(start[3]), float(start[2]))]
polygon += [(float(r[3]), float(r[2])) for r in jds]
polygon.append((float(end[2]), float(end[1])))  # DXF x = easting Y, y = northing X

# Main points at 9 decimals: label, station, X, Y, azimuth, radius.
main = csv_rows(cli("route", "info", ALIGNMENT, "--decimals", "9"))
main_xy = [(float(m["Y"]), float(m["X"])) for m in main]


def chainage(station):
    # "K1+200.000" or "K1+200.000=K1+190.000": metres of the first chainage.
    km, m = station.split("=")[0].lstrip("K").split("+")
    return int(km) * 1000 + float(m)


def main_point_at(p, tolerance=1e-6):
    """The main points within `tolerance` (m) of p (DXF x, y)."""
    return [m for m, q in zip(main, main_xy) if math.dist(p, q) <= tolerance]


def offsets_of(points):
    """The offsets of points (DXF x, y) from the alignment, by its inverse."""
    path = os.path.join(WORK, "points.txt")
    with open(path, "w") as f:
        for i, (x, y) in enumerate(points):
            f.write(f"P{i} {y!r} {x!r}\n")
    rows = csv_rows(cli("route", "inverse", ALIGNMENT, "--points", path, "--decimals", "9"))
    return [float(r["offset"]) for r in rows]


def read_back(name, tolerance, ticks, extra=()):
    path = os.path.join(WORK, name)
    cli("route", "dxf", ALIGNMENT, path, "--tolerance", str(tolerance), "--ticks", str(ticks),
        *extra)
    raw = open(path, "rb").read()
    check(b"\n" not in raw.replace(b"\r\n", b""), f"{name}: a line end other than CR LF")
    raw.decode("gbk")  # the whole file is code page 936
    doc = ezdxf.readfile(path)
    return doc


# ---------------------------------------------------------------------------
# The reference alignment with a table's stakes: K0+000 to ZD every 20 m,
# side stakes at 7.5 m.
TABLE = ["--from", "K0+000", "--to", "K3+017.488", "--interval", "20", "--offsets=-7.5,0,7.5"]
doc = read_back("pi.dxf", 0.001, 20, TABLE)

# A proper AC1015 file: audited clean, its header as written.
auditor = doc.audit()
check(not auditor.errors and not auditor.fixes,
      f"audit: {[str(e) for e in auditor.errors + auditor.fixes]}")
check(doc.dxfversion == "AC1015", f"version {doc.dxfversion}")
check(doc.header["$DWGCODEPAGE"] == "ANSI_936", "code page")
check(doc.header["$INSUNITS"] == 6, "units are not metres")
# Handles as the file holds them (ezdxf adds objects of its own): unique,
# below $HANDSEED, every reference to one that is there.
seed = int(doc.header["$HANDSEED"], 16)
lines = open(os.path.join(WORK, "pi.dxf"), "rb").read().decode("gbk").split("\r\n")
tags = [(int(lines[i]), lines[i + 1]) for i in range(0, len(lines) - 1, 2)]
handles = [int(v, 16) for (c, v), before in zip(tags[1:], tags)
           if c in (5, 105) and before != (9, "$HANDSEED")]
check(len(handles) == len(set(handles)), "handles repeat")
check(max(handles) < seed, f"$HANDSEED {seed:X} not above every handle ({max(handles):X})")
references = {int(v, 16) for c, v in tags if c in (330, 340, 350)}
check(references <= set(handles) | {0}, f"references to no handle: {references - set(handles)}")
msp = doc.modelspace()
owner = msp.block_record.dxf.handle
check(all(e.dxf.owner == owner for e in msp), "an entity not owned by model space")
check({layer.dxf.name for layer in doc.layers} >=
      {"0", "中线", "主点", "里程", "交点", "中桩", "边桩"}, "layer names")
style = doc.styles.get(msp.query("TEXT")[0].dxf.style)
check(style.dxf.font.lower().startswith("simsun"), f"text style font {style.dxf.font}")

# Entities per layer, from the alignment file: a straight before, between
# and after the JDs; at each JD an arc and its transitions.
counts = Counter((e.dxf.layer, e.dxftype()) for e in msp)
transitions = sum((float(r[5]) > 0) + (float(r[6]) > 0) for r in jds)
# Ticks every 20 m in each zone from its chainage 0 (zone 2 starts at the
# long chain's ahead chainage), every 100 m labelled.
breaks = [r for r in records if r[0] == "断链"]
zones = [(chainage(start[1]), chainage(breaks[0][1])),
         (chainage(breaks[0][2]), chainage(main[-1]["station"]))]


def multiples(step):
    # (Zone 2 starts at K1+190, on no tick: nothing is counted twice.)
    n = 0
    for first, last in zones:
        k = math.ceil(first / step - 1e-9)
        while k * step <= last + 1e-9:
            n += 1
            k += 1
    return n


table = csv_rows(cli("route", "table", ALIGNMENT, *TABLE))
centre_stakes = [r for r in table if float(r["offset"]) == 0]
expected = {
    ("中线", "LINE"): len(jds) + 1,
    ("中线", "ARC"): len(jds),
    ("中线", "LWPOLYLINE"): transitions,
    ("主点", "POINT"): len(main),
    ("主点", "TEXT"): len(main),
    ("里程", "LINE"): multiples(20),
    ("里程", "TEXT"): multiples(100),
    ("交点", "LWPOLYLINE"): 1,
    ("交点", "TEXT"): len(jds),
    ("中桩", "POINT"): len(centre_stakes),
    ("中桩", "TEXT"): len(centre_stakes),
    ("边桩", "POINT"): len(table) - len(centre_stakes),
    ("边桩", "TEXT"): len(table) - len(centre_stakes),
}
check(counts == Counter(expected), f"entities per layer: {dict(counts)} != {expected}")

# Straights: from one main point to the next.
for line in msp.query('LINE[layer=="中线"]'):
    ends = [main_point_at((p.x, p.y)) for p in (line.dxf.start, line.dxf.end)]
    check(all(len(e) == 1 for e in ends), f"line {line.dxf.handle}: ends off the main points")

# Arcs: the JDs' radii, from HY (ZY) to YH (YZ) within 1e-6 m, their middle
# on the alignment.
radii = [float(r[4]) for r in jds]
middles = []
for arc in msp.query('ARC[layer=="中线"]'):
    check(any(abs(arc.dxf.radius - r) <= 1e-6 for r in radii),
          f"arc radius {arc.dxf.radius}")
    labels = set()
    for p in (arc.start_point, arc.end_point):
        at = main_point_at((p.x, p.y))
        check(len(at) == 1, f"arc {arc.dxf.handle}: end {p} off the main points")
        labels.update(m["label"] for m in at)
    check(labels in ({"HY", "YH"}, {"ZY", "YZ"}), f"arc between {labels}")
    sweep = (arc.dxf.end_angle - arc.dxf.start_angle) % 360
    middle = math.radians(arc.dxf.start_angle + sweep / 2)
    c = arc.dxf.center
    middles.append((c.x + arc.dxf.radius * math.cos(middle),
                    c.y + arc.dxf.radius * math.sin(middle)))
check(all(abs(o) <= 1e-6 for o in offsets_of(middles)), "an arc's middle off the alignment")

# Transitions: from ZH to HY and YH to HZ; every vertex on the curve, every
# chord within the tolerance of it (its middle is where it strays most).


def check_transitions(doc, tolerance, name):
    vertices, middles = [], []
    for pl in doc.modelspace().query('LWPOLYLINE[layer=="中线"]'):
        points = [(p[0], p[1]) for p in pl.get_points("xy")]
        labels = {m["label"] for p in (points[0], points[-1]) for m in main_point_at(p)}
        check(labels in ({"ZH", "HY"}, {"YH", "HZ"}), f"{name}: transition between {labels}")
        vertices += points
        middles += [((a[0] + b[0]) / 2, (a[1] + b[1]) / 2) for a, b in zip(points, points[1:])]
    check(all(abs(o) <= 1e-6 for o in offsets_of(vertices)), f"{name}: a vertex off the curve")
    strays = [abs(o) for o in offsets_of(middles)]
    check(max(strays) <= tolerance, f"{name}: a chord {max(strays)} m from the curve")
    # Not finer than it needs: the chords use most of the tolerance.
    check(max(strays) >= tolerance / 2, f"{name}: chords of {max(strays)} m for {tolerance} m")
    return len(vertices)


fine = check_transitions(doc, 0.001, "pi.dxf")

# The intersection points: the polygon QD, JD1…, ZD as the file gives them.
(pl,) = msp.query('LWPOLYLINE[layer=="交点"]')
check(all(math.dist(p, q) <= 1e-9 for p, q in zip(pl.get_points("xy"), polygon)) and
      len(pl) == len(polygon), "the intersection polygon")
check(sorted(t.dxf.text for t in msp.query('TEXT[layer=="交点"]')) ==
      sorted(r[1] for r in jds), "the JD names")

# Texts decoded to the right Chinese: main points, the chain break, the
# labelled ticks in both zones of the long chain.
texts = {t.dxf.text for t in msp.query("TEXT")}
for want in ["QD K0+000.000", "ZH K0+374.681", "断链 K1+200.000=K1+190.000",
             "K1+100", "K1+200.000=K1+190.000", "K1+200(2)", "K3+000"]:
    check(want in texts, f"no text {want!r}")

# Stakes: each a point named as the CASS file names it, at its X, Y.
cass = os.path.join(WORK, "stakes.dat")
cli("route", "table", ALIGNMENT, *TABLE, "--format", "cass", "--output", cass)
with open(cass, encoding="gbk") as f:
    named = [line.rstrip("\r\n").split(",") for line in f]
stake_texts = Counter(t.dxf.text for t in msp.query('TEXT[layer=="中桩" | layer=="边桩"]'))
check(stake_texts == Counter(n[0] for n in named), "stake names")
check("K0+020.000左7.5" in stake_texts and "K1+200.000=K1+190.000右7.5" in stake_texts,
      "side stake names")
points = sorted((p.dxf.location.x, p.dxf.location.y)
                for p in msp.query('POINT[layer=="中桩" | layer=="边桩"]'))
expected_points = sorted((float(n[2]), float(n[3])) for n in named)
check(all(abs(p[0] - q[0]) <= 5e-4 and abs(p[1] - q[1]) <= 5e-4
          for p, q in zip(points, expected_points)), "stake positions")

# ---------------------------------------------------------------------------
# Without a table, coarser: no stakes, ticks every 50 m, chords within 1 cm.
doc = read_back("coarse.dxf", 0.01, 50)
counts = Counter((e.dxf.layer, e.dxftype()) for e in doc.modelspace())
check(not any(layer in ("中桩", "边桩") for layer, _ in counts), "stakes without a table")
check(counts[("里程", "LINE")] == multiples(50), f"ticks every 50 m: {counts[('里程', 'LINE')]}")
coarse = check_transitions(doc, 0.01, "coarse.dxf")
check(coarse < fine / 2, f"{coarse} vertices at 1 cm, {fine} at 1 mm")
check(not doc.audit().has_errors, "coarse.dxf: audit")

for f in failures:
    print("FAILED:", f)
print(f"{'ok' if not failures else 'failed'}: {len(failures)} failed checks")
sys.exit(1 if failures else 0)
