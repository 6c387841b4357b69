"""Calls per second of MapGrid.map, MapGrid.parse and MapGrid.grid.

Run from the repository root after `make build`:
    .venv/bin/python benchmarks/bench_mapgrid.py
"""
import pathlib
import sys
import timeit

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))

from src.tivenpy import MapGrid  # noqa: E402


def rate(label, stmt, number):
    best = min(timeit.repeat(stmt, number=number, repeat=5))
    print(f"{label:<48} {number / best:>12,.0f} calls/s")


def main():
    rate("map 1:1,000,000", lambda: MapGrid.map(116.39, 39.91, 1000000), 100000)
    rate("map 1:50,000", lambda: MapGrid.map(116.39, 39.91, 50000), 50000)
    rate("map 1:500 (five nested calls)", lambda: MapGrid.map(116.39, 39.91, 500), 20000)
    rate("parse new 1:500 J50K00232046", lambda: MapGrid.parse("J50K00232046"), 50000)
    rate("parse old 1:500 J-47-107-(57)-c-7-3-3", lambda: MapGrid.parse("J-47-107-(57)-c-7-3-3"), 20000)
    # a province-sized window (about Hebei) at 1:50,000
    window = (42.6, 36.0, 113.4, 119.9, 10)
    lines = sum(1 for _ in MapGrid.grid(*window))
    rate(f"grid province window, zoom 10 ({lines} lines)", lambda: sum(1 for _ in MapGrid.grid(*window)), 50)
    best = min(timeit.repeat(lambda: sum(1 for _ in MapGrid.grid(*window)), number=50, repeat=5))
    print(f"{'  grid lines per second':<48} {lines * 50 / best:>12,.0f} lines/s")


if __name__ == "__main__":
    main()
