import pathlib
import re

README = pathlib.Path(__file__).resolve().parent.parent / "README.md"


def test_tour_runs():
    blocks = re.findall(r"```python\n(.*?)```", README.read_text(encoding="utf-8"), re.S)
    # the first block is self-contained; the MapGIS block needs files of the reader's own
    exec(compile(blocks[0], "README.md", "exec"), {})
