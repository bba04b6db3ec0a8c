#!/usr/bin/env python3
"""Draws the magnitude responses that torqen_bench measured (response.csv) into a PNG."""
import csv
import math
import sys
from collections import defaultdict

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


def load(path):
    data = defaultdict(lambda: defaultdict(list))
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            data[row["pair"]][row["converter"]].append(
                (float(row["freq"]), float(row["gain_db"]), float(row["leakage_db"])))
    return data


def main(csv_path, png_path):
    data = load(csv_path)
    fig, axes = plt.subplots(3, 1, figsize=(11, 14))
    panels = [
        ("48000-44100", "48k → 44.1k: gain of the tone (passband and edge)", lambda g, l: g, (-12, 1)),
        ("48000-44100", "48k → 44.1k: level of the tone, or of its alias above 22.05 kHz",
         lambda g, l: l if math.isnan(g) else g, (-150, 5)),
        ("44100-48000", "44.1k → 48k: images, aliases and distortion beside the tone",
         lambda g, l: l, (-150, 0)),
    ]
    for ax, (pair, title, pick, ylim) in zip(axes, panels):
        for name, points in data[pair].items():
            xs = [p[0] / 1000 for p in points]
            ys = [pick(p[1], p[2]) for p in points]
            style = dict(linewidth=2.4, color="black") if name == "libtorqen32" else dict(linewidth=1)
            ax.plot(xs, ys, label=name, **style)
        ax.set_title(title)
        ax.set_xlabel("input tone, kHz")
        ax.set_ylabel("dB")
        ax.set_ylim(*ylim)
        ax.grid(True, alpha=0.3)
    axes[0].legend(loc="lower left", fontsize=8)
    fig.tight_layout()
    fig.savefig(png_path, dpi=90)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
