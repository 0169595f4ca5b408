#!/usr/bin/env python3
"""Writes examples/faulty_load.qrv: what a doubtful packer might give for a 20-ft container
in millimetres (5898 x 2352 x 2393): 174 cartons in stacks, 13 of them pushed into their
neighbour (13 overlapping pairs) and 12 sticking out through a wall, the floor or the roof.
It loads only for inspection ("Inspecter un fichier...", packview --inspect).

Run from anywhere; the output is the same on every run (fixed seed):
    python3 tools/make_faulty_load.py [OUTPUT]
"""

import os
import random
import sys

SEED = 20
CONTAINER = (5898, 2352, 2393)  # length (x), width (z), height (y)
CARTON = (600, 400, 400)        # length, width, height
COLUMNS, ROWS, LAYERS = 9, 5, 5
COUNT, OVERLAPS, OUTSIDE = 174, 13, 12


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "examples", "faulty_load.qrv")
    rng = random.Random(SEED)
    # Stacks filled from the floor up, column by column, so every carton stands on another.
    slots = [(i, k, j) for i in range(COLUMNS) for k in range(ROWS) for j in range(LAYERS)]
    cartons = [[i * CARTON[0], j * CARTON[2], k * CARTON[1]] for i, k, j in slots[:COUNT]]
    taken = {tuple(s) for s in slots[:COUNT]}
    # A carton pushed 150 mm along x into its neighbour meets that neighbour only; neither of
    # the two is touched again, so each push makes exactly one pair.
    used = set()
    candidates = [n for n, (i, k, j) in enumerate(slots[:COUNT])
                  if i + 1 < COLUMNS and (i + 1, k, j) in taken]
    rng.shuffle(candidates)
    pushed = 0
    for n in candidates:
        i, k, j = slots[n]
        neighbour = slots.index((i + 1, k, j))
        if pushed == OVERLAPS or n in used or neighbour in used:
            continue
        cartons[n][0] += 150
        used.update({n, neighbour})
        pushed += 1
    # Cartons out through the far wall (x), the side wall (z), the roof (y) or below the floor.
    free = [n for n in range(COUNT) if n not in used]
    rng.shuffle(free)
    for m, n in enumerate(free[:OUTSIDE]):
        axis = m % 4
        if axis == 0:
            cartons[n][0] = CONTAINER[0] - CARTON[0] + 250
        elif axis == 1:
            cartons[n][2] = CONTAINER[1] - CARTON[1] + 180
        elif axis == 2:
            cartons[n][1] = CONTAINER[2] - CARTON[2] + 300
        else:
            cartons[n][1] = -120
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<qarvel name="conteneur 20 pieds">',
             '  <container length="%d" width="%d" height="%d"/>' % CONTAINER,
             '  <param/>',
             '  <boxs number="%d">' % COUNT]
    for n, (x, y, z) in enumerate(cartons):
        lines.append('    <box id="P%d" length="%d" width="%d" height="%d" px="%d" py="%d" '
                     'pz="%d" color="%d"/>' % ((n + 1,) + CARTON + (x, y, z, rng.randrange(16))))
    lines += ['  </boxs>', '</qarvel>', '']
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
