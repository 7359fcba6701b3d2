#!/usr/bin/env python3
"""Draws docs/cells.svg, the picture of cells and positions in docs/guide.md.

Usage: docs/cells.py [FILE]   (writes FILE, or standard output)

Ten cells of 50 m; two point objects and two span changes at metres 100 and
325, each shown in the cell binario puts it in. The cells are computed here
by the same rules binario applies (halves round to the even neighbour, as
Python's round() does), and the test suite compares this script's output
with the committed picture.
"""

import sys

CELL_M = 50
CELLS = 10
PX_PER_M = 1.4
X0 = 30
WIDTH = X0 * 2 + CELLS * CELL_M * PX_PER_M
POINTS = (100, 325)  # metres of the two point objects
SPANS = ((100, 3), (325, -2))  # metre and gradient of the two span changes


def x(metre):
    return X0 + metre * PX_PER_M


def point_cell(p):
    return round(p / CELL_M + 1)


def span_cell(p):
    return round(p / CELL_M)


def text(out, tx, ty, s, anchor="middle", size=12, weight="normal"):
    out.append(
        f'<text x="{tx:g}" y="{ty:g}" font-size="{size}" text-anchor="{anchor}" '
        f'font-weight="{weight}">{s}</text>'
    )


def draw():
    out = []
    height = 330
    out.append(
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH:g}" height="{height}" '
        f'viewBox="0 0 {WIDTH:g} {height}" font-family="sans-serif">'
    )
    out.append(f'<rect width="{WIDTH:g}" height="{height}" fill="white"/>')
    text(out, X0, 22, "Cells of 50 m, and the cell a record at metre p uses", "start", 14, "bold")

    # The metre axis and the cells.
    axis_y = 60
    out.append(
        f'<line x1="{x(0):g}" y1="{axis_y}" x2="{x(CELLS * CELL_M):g}" y2="{axis_y}" '
        'stroke="black"/>'
    )
    for m in range(0, CELLS * CELL_M + 1, CELL_M):
        out.append(f'<line x1="{x(m):g}" y1="{axis_y - 5}" x2="{x(m):g}" y2="{axis_y}" stroke="black"/>')
        text(out, x(m), axis_y - 9, f"{m}", size=11)
    text(out, x(CELLS * CELL_M) + 4, axis_y + 4, "m", "start", 11)
    cell_top, cell_h = 66, 34
    for k in range(CELLS):
        out.append(
            f'<rect x="{x(k * CELL_M):g}" y="{cell_top}" width="{CELL_M * PX_PER_M:g}" '
            f'height="{cell_h}" fill="#f4f4f4" stroke="black"/>'
        )
        text(out, x(k * CELL_M + CELL_M / 2), cell_top + 15, f"cell {k}", size=12)
        text(out, x(k * CELL_M + CELL_M / 2), cell_top + 28, f"{k * CELL_M}–{k * CELL_M + 49}", size=9)

    # Point objects: a signal or a board at metre p goes into cell nearest(p / 50 + 1).
    row = 140
    text(out, X0, row - 18, "A point object (signal, board, slowdown start) at metre p: "
         "cell nearest(p / 50 + 1)", "start", 12, "bold")
    for p in POINTS:
        k = point_cell(p)
        out.append(
            f'<rect x="{x(k * CELL_M):g}" y="{row}" width="{CELL_M * PX_PER_M:g}" height="26" '
            'fill="#cfe3ff" stroke="#2a5db0"/>'
        )
        out.append(
            f'<line x1="{x(p):g}" y1="{axis_y}" x2="{x(p):g}" y2="{row + 13}" stroke="#2a5db0" '
            'stroke-dasharray="3,2"/>'
        )
        out.append(f'<circle cx="{x(p):g}" cy="{row + 13}" r="4" fill="#2a5db0"/>')
        text(out, x(k * CELL_M + CELL_M / 2), row + 17, f"cell {k}", size=11)
        text(out, x(p), row + 44, f"metre {p}: {p} / 50 + 1 = {p / CELL_M + 1:g} → cell {k}", size=11)

    # Span changes: a gradient (or speed limit, adhesion) from metre p takes
    # effect from cell nearest(p / 50).
    row = 240
    text(out, X0, row - 18, "A span change (gradient, speed limit, adhesion) at metre p: "
         "from cell nearest(p / 50)", "start", 12, "bold")
    colours = {0: "#eeeeee", 3: "#ffd9b3", -2: "#c9efc9"}
    starts = [(0, 0)] + [(span_cell(p), g) for p, g in SPANS]
    for i, (first, g) in enumerate(starts):
        last = starts[i + 1][0] if i + 1 < len(starts) else CELLS
        out.append(
            f'<rect x="{x(first * CELL_M):g}" y="{row}" width="{(last - first) * CELL_M * PX_PER_M:g}" '
            f'height="26" fill="{colours[g]}" stroke="black"/>'
        )
        label = "level" if g == 0 else f"gradient {g} ‰"
        text(out, x((first + last) * CELL_M / 2), row + 17, label, size=11)
    for p, g in SPANS:
        k = span_cell(p)
        out.append(
            f'<line x1="{x(p):g}" y1="{axis_y}" x2="{x(p):g}" y2="{row}" stroke="#a05a00" '
            'stroke-dasharray="3,2"/>'
        )
        text(out, x(k * CELL_M), row + 44,
             f"metre {p}: {p} / 50 = {p / CELL_M:g} → from cell {k}", size=11)
    text(out, X0, height - 10,
         "Halves round to the even neighbour: 7.5 gives 8, 6.5 gives 6.", "start", 11)
    out.append("</svg>")
    return "\n".join(out) + "\n"


def main():
    svg = draw()
    if len(sys.argv) > 1:
        with open(sys.argv[1], "w", encoding="utf-8", newline="\n") as f:
            f.write(svg)
    else:
        sys.stdout.write(svg)


if __name__ == "__main__":
    main()
