# The documents stay true: the map (ARCHITECTURE.md) names every file under
# src/, each in its folder's entry, and no file that is gone; the README's
# examples run as written.
import pathlib
import re
import shutil

ROOT = pathlib.Path(__file__).resolve().parent.parent
NAME = re.compile(r"`(?:src/)?((?:\w+/)?\w+)\.(cpp|hpp|\*)`")


def _named():
    """{name as written: the files it stands for}"""
    text = (ROOT / "ARCHITECTURE.md").read_text(encoding="utf-8")
    named = {}
    folder = ""
    for line in text.splitlines():
        entry = re.match(r"- `(\w+)/`:", line)
        if entry:
            folder = entry.group(1) + "/"
        elif not line.startswith(" "):
            folder = ""
        for stem, ext in NAME.findall(line):
            path = stem if "/" in stem else folder + stem
            named[f"{path}.{ext}"] = {path + ".cpp", path + ".hpp"} if ext == "*" else {f"{path}.{ext}"}
    return named


def test_map_names_every_source_file():
    files = {p.relative_to(ROOT / "src").as_posix() for p in (ROOT / "src").rglob("*.[ch]pp")}
    named = _named()
    assert sorted(files - set().union(*named.values())) == []
    # Outside the folders' entries a bare name stands for a file of that name anywhere.
    known = files | {f.rsplit("/", 1)[-1] for f in files}
    assert sorted(name for name, stands_for in named.items() if not stands_for & known) == []


def test_readme_examples_run(tmp_path, monkeypatch):
    text = (ROOT / "README.md").read_text(encoding="utf-8")
    blocks = re.findall(r"```python\n(.*?)```", text, re.S)
    assert len(blocks) >= 2
    (tmp_path / "examples").mkdir()
    shutil.copy(ROOT / "examples" / "sample_roads.WL", tmp_path / "examples")
    monkeypatch.chdir(tmp_path)
    for block in blocks:
        exec(compile(block, "README.md", "exec"), {})
    assert (tmp_path / "sample_roads.geojson").stat().st_size > 0
