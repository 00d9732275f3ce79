#!/usr/bin/env python3
"""Draws the scaling plot of docs/performance.md as an SVG, from the JSON that
scripts/bench.sh --json writes: the uptime report of brenvik-cli and of
tuptime against boots, the window's start-up until its first paint and the
uptime CSV export against history rows, on logarithmic axes.

  scripts/bench_plot.py bench.json docs/scaling.svg
"""
import json
import math
import sys

W, H, L, R, T, B = 700, 400, 70, 230, 30, 50
SERIES = [("tuptime", "tuptime_report", "#c0392b", "tuptime -n"),
          ("tuptime", "brenvik_uptime_report", "#27ae60", "brenvik-cli uptime-report"),
          ("now", "window_first_paint", "#2980b9", "window, first paint"),
          ("now", "uptime_csv_export_alone", "#8e44ad", "uptime CSV export")]


def Milliseconds(value):
    return f"{value / 1000:g} s" if value >= 1000 else f"{value:g} ms"


def points(data, store, figure):
    out = []
    for key, (value, _unit) in data.get(store, {}).items():
        rows, name = key.split(":", 1)
        if name == figure and value > 0 and int(rows) > 0:
            out.append((int(rows), value))
    return sorted(out)


def main(src, dst):
    data = json.load(open(src))
    series = [(points(data, s, f), c, label) for s, f, c, label in SERIES]
    xs = [x for p, _, _ in series for x, _ in p]
    ys = [y for p, _, _ in series for _, y in p]
    x0, x1 = math.floor(math.log10(min(xs))), math.ceil(math.log10(max(xs)))
    y0, y1 = math.floor(math.log10(min(ys))), math.ceil(math.log10(max(ys)))
    sx = lambda x: L + (math.log10(x) - x0) / (x1 - x0) * (W - L - R)
    sy = lambda y: H - B - (math.log10(y) - y0) / max(y1 - y0, 1) * (H - T - B)
    svg = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{W}" height="{H}" '
           f'font-family="sans-serif" font-size="12">',
           f'<rect width="{W}" height="{H}" fill="white"/>',
           f'<text x="{L}" y="18" font-size="14">Wall time against boots (report) and '
           f'history rows (window, export)</text>']
    for e in range(x0, x1 + 1):
        x = sx(10 ** e)
        svg.append(f'<line x1="{x}" y1="{T}" x2="{x}" y2="{H - B}" stroke="#ddd"/>')
        svg.append(f'<text x="{x}" y="{H - B + 16}" text-anchor="middle">10^{e}</text>')
    for e in range(y0, y1 + 1):
        y = sy(10 ** e)
        svg.append(f'<line x1="{L}" y1="{y}" x2="{W - R}" y2="{y}" stroke="#ddd"/>')
        svg.append(f'<text x="{L - 6}" y="{y + 4}" text-anchor="end">{Milliseconds(10 ** e)}</text>')
    svg.append(f'<text x="{(L + W - R) / 2}" y="{H - 12}" text-anchor="middle">boots / history rows</text>')
    for i, (pts, colour, label) in enumerate(series):
        if not pts:
            continue
        path = " ".join(f"{sx(x):.1f},{sy(y):.1f}" for x, y in pts)
        svg.append(f'<polyline points="{path}" fill="none" stroke="{colour}" stroke-width="2"/>')
        for x, y in pts:
            svg.append(f'<circle cx="{sx(x):.1f}" cy="{sy(y):.1f}" r="3" fill="{colour}"/>')
        ly = T + 20 + 20 * i
        svg.append(f'<line x1="{W - R + 10}" y1="{ly}" x2="{W - R + 30}" y2="{ly}" '
                   f'stroke="{colour}" stroke-width="2"/>')
        svg.append(f'<text x="{W - R + 36}" y="{ly + 4}">{label}</text>')
    svg.append("</svg>")
    open(dst, "w").write("\n".join(svg) + "\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
