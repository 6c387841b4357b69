"""Export a small MapGIS line file to GeoJSON: the module's main job.

Opens the sample line file beside this script (four roads, one of them
deleted) with MapGisFile and exports it with saveAsGeoJson while a progress
listener prints each step. The GeoJSON lands in the folder given, else in the
current directory.

    python examples/export_sample.py [output-folder]
"""
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
SAMPLE = HERE / "sample_roads.WL"

try:
    from src.tivenpy import MapGisFile  # the installed package
except ImportError:  # run from a source tree after `make build`
    sys.path.insert(0, str(HERE.parent))
    from src.tivenpy import MapGisFile


def main():
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path.cwd()
    folder.mkdir(parents=True, exist_ok=True)
    target = folder / "sample_roads.geojson"

    vector = MapGisFile(str(SAMPLE))
    print(f"{SAMPLE}: {vector.FileType}, {vector.FeatureCount} features, EPSG:{vector.EPSG}")
    vector.subscribe("progress", lambda p: print(f"  writing feature {p['index'] + 1} of {p['count']}"))
    vector.saveAsGeoJson(str(target))
    print(f"GeoJSON written to {target}")


if __name__ == "__main__":
    main()
