"""Shows the module's version and its public classes."""
from src import tivenpy

print("tivenpy", tivenpy.__version__, "from", tivenpy.__file__)
for name in tivenpy.__all__:
    cls = getattr(tivenpy, name)
    print(f"  {name}: {cls.__doc__.splitlines()[0]}")
