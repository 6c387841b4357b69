import importlib
import subprocess
import sys
import warnings

import pytest

from src import tivenpy

PUBLIC = ["Messenger", "MapGisProject", "MapGisColorLib", "MapGisFile", "Projection", "MapGrid", "Geometry"]
WORKING = ["MapGisProject", "MapGisColorLib", "MapGisFile", "Projection", "MapGrid", "Geometry"]


def test_module_attributes():
    assert tivenpy.__version__ == "2025.9.10"
    assert tivenpy.__all__ == PUBLIC
    assert tivenpy.__name__ == "src.tivenpy"
    assert isinstance(tivenpy.TivenBase, type)
    for name in ("os", "re", "sys", "json", "math", "time", "struct"):
        assert getattr(tivenpy, name) is importlib.import_module(name)
    import dataclasses
    import typing

    assert tivenpy.dataclass is dataclasses.dataclass
    for name in ("Callable", "Any", "Iterator", "Union"):
        assert getattr(tivenpy, name) is getattr(typing, name)


def test_module_docstring():
    lines = tivenpy.__doc__.split("\n")
    assert lines[0] == "" and lines[-1] == ""
    assert lines[1] == "    主要模块包括："
    assert [line.split(" - ")[0] for line in lines[2:-1]] == ["    ● " + n for n in PUBLIC]
    assert lines[4] == "    ● MapGisColorLib - MapGis色库（青品黄黑-红绿蓝）读取类；"


@pytest.mark.parametrize("name", WORKING)
def test_class_tree(name):
    cls = getattr(tivenpy, name)
    assert cls.__mro__ == (cls, tivenpy.TivenBase, tivenpy.Messenger, object)
    assert type(cls) is type
    assert cls.__module__ == "src.tivenpy"
    assert cls.__qualname__ == name
    obj = cls() if name in ("Projection", "MapGrid", "Geometry") else None
    if obj is not None:
        assert obj.subscribers == {}


@pytest.mark.parametrize(
    "name,title",
    [
        ("Messenger", "信使消息事件订阅与发布类（通常用于实时进度异步跟踪场景）"),
        ("TivenBase", "GIS基础类"),
        ("MapGisProject", "MapGis工程文件（MPJ）读取类。"),
        ("MapGisColorLib", "MapGis色库（青品黄黑-红绿蓝）读取类"),
        ("MapGisFile", "MapGis点线面文件读取类"),
        ("Projection", "几何要素坐标投影变换类，支持高斯-克吕格、球体墨卡托、阿尔勃斯、兰伯特投影正反算"),
        ("MapGrid", "国际标准比例尺图幅分幅网格与编号类"),
    ],
)
def test_docstring_titles(name, title):
    assert getattr(tivenpy, name).__doc__.strip().splitlines()[0] == title


def test_messenger_and_base():
    assert tivenpy.Messenger.__bases__ == (object,)
    assert tivenpy.TivenBase.__bases__ == (tivenpy.Messenger,)
    assert "__init__" not in vars(tivenpy.TivenBase)
    assert isinstance(vars(tivenpy.TivenBase)["bytesToStr"], staticmethod)


def test_subclasses_run_base_constructor():
    class Mine(tivenpy.Geometry):
        def __init__(self):
            super().__init__()
            self.extra = 1

    m = Mine()
    assert m.subscribers == {} and m.extra == 1
    other = Mine()
    m.subscribe("k", print)
    assert other.subscribers == {}


def test_reimport_gives_same_module():
    classes = [getattr(tivenpy, n) for n in PUBLIC]
    del sys.modules["src.tivenpy"]
    again = importlib.import_module("src.tivenpy")
    assert again is tivenpy
    assert [getattr(again, n) for n in PUBLIC] == classes
    assert importlib.reload(tivenpy) is tivenpy
    assert sys.modules["src.tivenpy"] is tivenpy


def test_no_warning_under_313(tmp_path):
    code = (
        "import warnings, sys; warnings.simplefilter('error');"
        "sys.path.insert(0, sys.argv[1]); import src.tivenpy; print('ok')"
    )
    root = str(__import__("pathlib").Path(tivenpy.__file__).parent.parent)
    out = subprocess.run([sys.executable, "-c", code, root], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr
    assert out.stdout.strip() == "ok"


def test_methods_are_function_objects():
    f = tivenpy.Messenger.subscribe
    assert f.__name__ == "subscribe"
    assert f.__qualname__ == "Messenger.subscribe"
    assert f.__module__ == "src.tivenpy"
    assert f.__annotations__ == {"key": "str", "slot": "Callable", "return": "None"}
    assert tivenpy.Messenger.unsubscribe.__annotations__ == {
        "key": "Union[str, None]",
        "slot": "Union[Callable, None]",
        "return": "None",
    }
    assert tivenpy.Messenger.__init__.__annotations__ == {}
    assert f.__doc__.startswith("subscribe(self, key: str, slot: Callable) -> None")
    m = tivenpy.Messenger()
    bound = m.subscribe
    assert bound.__self__ is m and bound.__func__ is f
    assert tivenpy.TivenBase.bytesToStr.__qualname__ == "TivenBase.bytesToStr"
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert tivenpy.Geometry().bytesInteger(b"\x01") == 1


def test_failed_startup_is_forgotten():
    code = """
import sys, traceback
sys.path.insert(0, sys.argv[1])
saved = sys.modules.pop('json', None)
sys.modules['json'] = None
try:
    import src.tivenpy
except ImportError as e:
    names = [f.name for f in traceback.extract_tb(e.__traceback__)]
    print('failed', 'init src.tivenpy' in names, 'src.tivenpy' in sys.modules)
del sys.modules['json']
import src.tivenpy
print('then', src.tivenpy.__version__, sorted(src.tivenpy.__all__) == sorted(src.tivenpy.__all__))
"""
    root = str(__import__("pathlib").Path(tivenpy.__file__).parent.parent)
    out = subprocess.run([sys.executable, "-c", code, root], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr
    assert out.stdout.split("\n")[:2] == ["failed True False", "then 2025.9.10 True"]


def test_second_interpreter_is_refused():
    # The first interpreter's table watcher must outlive the refusal.
    pytest.importorskip("_testcapi")
    code = """
import sys, _testcapi
sys.path.insert(0, sys.argv[1])
from src.tivenpy import Projection as P
P.webMercator(x=1.0, y=0.0)
child = ("import sys\\nsys.path.insert(0, %r)\\ntry:\\n    import src.tivenpy\\n"
         "except ImportError as e:\\n    print('refused', e, flush=True)\\n") % sys.argv[1]
print(_testcapi.run_in_subinterp(child), flush=True)
P.datum[1984] = P.CRS(1.0, 0.0, 'unit', 'unit sphere', 'unit')
print(P.webMercator(x=1.0, y=0.0)[0])
"""
    root = str(__import__("pathlib").Path(tivenpy.__file__).parent.parent)
    out = subprocess.run([sys.executable, "-c", code, root], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr
    assert out.stdout.split("\n")[:3] == [
        "refused Interpreter change detected - this module can only be loaded into one interpreter per process.",
        "0", "57.29577951308232"]


def test_loads_docstring_example_runs():
    import doctest

    assert list(tivenpy.__test__) == ["Geometry.loads"]
    assert tivenpy.__test__["Geometry.loads"] == tivenpy.Geometry.loads.__doc__
    finder = doctest.DocTestFinder()
    runner = doctest.DocTestRunner()
    for test in finder.find(tivenpy.__test__["Geometry.loads"], "loads", globs={"Geometry": tivenpy.Geometry}):
        runner.run(test)
    assert runner.failures == 0 and runner.tries > 0


def test_module_kept_after_every_reference_is_dropped():
    code = """
import gc, sys, weakref
sys.path.insert(0, sys.argv[1])
import src.tivenpy
w = weakref.ref(src.tivenpy)
del sys.modules['src.tivenpy'], src.tivenpy
gc.collect()
print(w() is not None)
import src.tivenpy
print(src.tivenpy is w(), src.tivenpy.Geometry.loads([1, 2]))
"""
    root = str(__import__("pathlib").Path(tivenpy.__file__).parent.parent)
    env = dict(__import__("os").environ, PYTHONMALLOC="debug")
    out = subprocess.run([sys.executable, "-c", code, root], capture_output=True, text=True, env=env)
    assert out.returncode == 0, out.stderr
    assert out.stdout.split("\n")[:2] == ["True", "True {'type': 'Point', 'coordinates': [1.0, 2.0]}"]
