#!/usr/bin/env python3
"""Writes examples/warehouse.qrv: a loading area of 12 m x 8 m x 2.4 m, in centimetres,
filled with stacks of cartons the way a warehouse floor is loaded.

The floor is cut into rows along z; each row into slots along x, one carton type per slot.
A slot is stacked with its carton type up to a random fill height, and some stacks get a
smaller carton on top, set in the stack's corner so that it rests on the one below. Every
carton therefore stands on the floor or on another carton, and no two share a cell.

Run from anywhere; the output is the same on every run (fixed seed):
    python3 tools/make_warehouse.py [OUTPUT]
"""

import os
import random
import sys
from xml.sax.saxutils import quoteattr

SEED = 1200800240
CONTAINER = {"length": 1200, "width": 800, "height": 240}  # x, z, y (y is up)

# Carton types: length (x), width (z), height (y) in cm, and a palette colour number.
CARTONS = [
    ("euro crate", 60, 40, 32, 1),
    ("half crate", 40, 30, 24, 4),
    ("flat pack", 80, 60, 12, 9),
    ("drum case", 45, 45, 60, 3),
    ("shoe box", 33, 22, 13, 14),
    ("cube", 50, 50, 50, 7),
    ("long tube box", 120, 20, 20, 11),
    ("monitor", 70, 25, 50, 12),
    ("tall carton", 40, 40, 80, 5),
    ("bottle case", 30, 20, 35, 2),
    ("paper ream box", 43, 30, 26, 15),
    ("appliance", 65, 65, 90, 6),
]

AISLE_EVERY = 4      # after this many rows a walking aisle is left free
AISLE_WIDTH = 60
SLOT_GAP_CHANCE = 0.06


def row_cartons(depth):
    """Carton types, possibly turned a quarter on the floor, no deeper than the row."""
    fitting = []
    for name, length, width, height, color in CARTONS:
        for x_extent, z_extent in ((length, width), (width, length)):
            if z_extent <= depth:
                fitting.append((name, x_extent, z_extent, height, color))
    return fitting


def stack(rng, slot_x, slot_z, carton):
    """The cartons of one slot, from the floor up: (px, py, pz, length, width, height, color)."""
    _, length, width, height, color = carton
    top = rng.randint(CONTAINER["height"] // 3, CONTAINER["height"])
    boxes = []
    y = 0
    while y + height <= top:
        boxes.append((slot_x, y, slot_z, length, width, height, color))
        y += height
    if boxes and rng.random() < 0.35:
        # A smaller carton finishing the stack, in its corner so that it is supported.
        smaller = [c for c in CARTONS
                   if c[1] <= length and c[2] <= width and y + c[3] <= CONTAINER["height"]]
        if smaller:
            _, l2, w2, h2, c2 = rng.choice(smaller)
            boxes.append((slot_x, y, slot_z, l2, w2, h2, c2))
    return boxes


def fill_row(rng, row_z, depth):
    cartons = row_cartons(depth)
    boxes = []
    x = 0
    while True:
        carton = rng.choice(cartons)
        if x + carton[1] > CONTAINER["length"]:
            narrower = [c for c in cartons if x + c[1] <= CONTAINER["length"]]
            if not narrower:
                return boxes
            carton = rng.choice(narrower)
        if rng.random() >= SLOT_GAP_CHANCE:
            boxes.extend(stack(rng, x, row_z, carton))
        x += carton[1]


def fill_floor(rng):
    boxes = []
    z = 0
    row = 0
    depths = sorted({c[2] for c in CARTONS} | {c[1] for c in CARTONS})
    while True:
        depth = rng.choice([d for d in depths if 30 <= d <= 70])
        if z + depth > CONTAINER["width"]:
            return boxes
        boxes.extend(fill_row(rng, z, depth))
        z += depth
        row += 1
        if row % AISLE_EVERY == 0:
            z += AISLE_WIDTH


def document(boxes):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<qarvel name="warehouse">',
             '  <container length="{length}" width="{width}" height="{height}"/>'.format(
                 **CONTAINER),
             '  <param/>',
             '  <boxs number="{}">'.format(len(boxes))]
    for number, (px, py, pz, length, width, height, color) in enumerate(boxes, start=1):
        lines.append(
            '    <box id={} length="{}" width="{}" height="{}" px="{}" py="{}" pz="{}" '
            'color="{}"/>'.format(quoteattr("C{:04d}".format(number)), length, width, height,
                                  px, py, pz, color))
    lines += ['  </boxs>', '</qarvel>', '']
    return "\n".join(lines)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, "..", "examples", "warehouse.qrv")
    output = sys.argv[1] if len(sys.argv) > 1 else default
    boxes = fill_floor(random.Random(SEED))
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        out.write(document(boxes))
    print("{}: {} boxes".format(os.path.normpath(output), len(boxes)))


if __name__ == "__main__":
    main()
