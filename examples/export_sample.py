"""Export a small MapGIS line file to GeoJSON: the module's main job.

The sample line file is written first (by the test-file writer of the test
suite), then opened with MapGisFile and exported with saveAsGeoJson while a
progress listener prints each step.

    python examples/export_sample.py [output-folder]
"""
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests"))  # the test-file writer

import mapgis_writer as w  # noqa: E402

try:
    from src.tivenpy import MapGisFile  # installed package, or run from the repository root
except ImportError:
    sys.path.insert(0, str(HERE.parent))
    from src.tivenpy import MapGisFile


def write_sample(folder):
    fields = [w.Field("名称", 0, size=20, length=20), w.Field("编号", 3), w.Field("长度", 5, digits=2),
              w.Field("通车日期", 6), w.Field("收费", 8)]
    lines = [
        w.Line([(116.3913, 39.9075), (116.4038, 39.9087), (116.4165, 39.9091)],
               ["长安街", 1, 2.123, (1959, 9, 1), 0], line_no=1, width=0.5, color=3),
        w.Line([(116.3970, 39.8990), (116.3975, 39.9200)], ["南北中轴线", 2, 7.8, (2024, 7, 27), 0], width=0.3),
        w.Line([(116.30, 39.95), (116.35, 39.96)], ["已删除的道路", 3, 0.0, (2000, 1, 1), 1], flag=0),
        w.Line([(116.28, 39.83), (116.47, 39.83), (116.47, 39.99), (116.28, 39.99), (116.28, 39.83)],
               ["二环路", 4, 32.7, (1992, 9, 20), 1], width=1.0, color=2),
    ]
    data = w.line_file(lines, fields, crs=1, projection_type=0, ellipsoid_code=7, units=4,
                       bbox=(116.28, 39.83, 116.47, 39.99))
    return w.write(folder / "sample_roads.WL", data)


def main():
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else HERE / "out"
    folder.mkdir(parents=True, exist_ok=True)
    source = write_sample(folder)
    target = folder / "sample_roads.geojson"

    vector = MapGisFile(source)
    print(f"{source}: {vector.FileType}, {vector.FeatureCount} features, EPSG:{vector.EPSG}")
    vector.subscribe("progress", lambda p: print(f"  writing feature {p['index'] + 1} of {p['count']}"))
    vector.saveAsGeoJson(str(target))
    print(f"GeoJSON written to {target}")


if __name__ == "__main__":
    main()
