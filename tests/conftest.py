import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
# The tests run against the module built in place from this tree.
if str(ROOT) not in sys.path:
    sys.path.insert(0, str(ROOT))

import src.tivenpy  # noqa: E402

assert pathlib.Path(src.tivenpy.__file__).resolve().parent == ROOT / "src", (
    f"stale module imported from {src.tivenpy.__file__}"
)

# The plain-Python oracle of the projection tests lives beside them.
TESTS = pathlib.Path(__file__).resolve().parent
if str(TESTS) not in sys.path:
    sys.path.insert(0, str(TESTS))
