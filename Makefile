# Front door: finds CPython 3.13, makes .venv with it and builds the module.
#   make run   - build and install the package, then export the bundled sample
#   make test  - build the module in place from this tree and run the tests

SHELL := /bin/bash
VENV := .venv
PY := $(VENV)/bin/python
BUILD := build/inplace

PYTHON313 := $(shell \
  for c in python3.13 $$HOME/.pyenv/versions/3.13*/bin/python3.13 /root/.pyenv/versions/3.13*/bin/python3.13 /usr/bin/python3.13 /usr/local/bin/python3.13; do \
    if [ -x "$$(command -v $$c 2>/dev/null)" ] && $$c -c 'import sys; assert sys.version_info[:2] == (3, 13)' >/dev/null 2>&1; then echo $$(command -v $$c); break; fi; \
  done)

.PHONY: venv build run test bench clean

$(VENV)/.ready: pyproject.toml
	@if [ -z "$(PYTHON313)" ]; then echo "CPython 3.13 not found (python3.13 on PATH or under ~/.pyenv/versions)"; exit 1; fi
	rm -rf $(VENV)
	$(PYTHON313) -m venv $(VENV)
	$(PY) -m pip install -q --upgrade pip
	$(PY) -m pip install -q "scikit-build-core>=0.10" "cmake>=3.18" ninja "pytest>=8"
	@# Test-only oracles; the tests that use them skip when they cannot be had.
	-$(PY) -m pip install -q pyproj geographiclib shapely
	touch $@

venv: $(VENV)/.ready

build: venv
	$(VENV)/bin/cmake -S . -B $(BUILD) -G Ninja -DCMAKE_MAKE_PROGRAM=$(abspath $(VENV)/bin/ninja) \
	  -DPython_EXECUTABLE=$(abspath $(PY)) -DCMAKE_BUILD_TYPE=Release >/dev/null
	$(VENV)/bin/cmake --build $(BUILD)

run: venv
	$(PY) -m pip install -q --no-build-isolation .
	cd examples && ../$(PY) export_sample.py

test: build
	$(PY) -m pytest -q tests

bench: build
	$(PY) benchmarks/bench.py

clean:
	rm -rf build $(VENV) src/tivenpy*.so
