"""Runs every benchmark script in this folder against the module built in place."""
import pathlib
import subprocess
import sys

here = pathlib.Path(__file__).resolve().parent
failed = 0
for script in sorted(here.glob("bench_*.py")):
    print(f"== {script.name}", flush=True)
    failed |= subprocess.call([sys.executable, str(script)], cwd=here.parent)
sys.exit(failed)
