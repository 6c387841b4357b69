# Front door: finds CPython 3.13, makes .venv with it and builds the module.
#   make run       - build and install the package, then export the bundled sample
#   make test      - build the module in place from this tree and run the tests
#   make sanitize  - the same suite against an AddressSanitizer + UBSan build
#   make test-clang - the same suite against a clang++ build
#   make test-windows - the pure cores cross-compiled for Windows, the file layer run under Wine
#   make bench     - the benchmarks under benchmarks/
# Every path is quoted: the clone may live in a folder whose name has blanks.

SHELL := /bin/bash
VENV := .venv
PY := $(CURDIR)/$(VENV)/bin/python
BUILD := $(CURDIR)/build/inplace
ASAN_BUILD := $(CURDIR)/build/asan
CLANG_BUILD := $(CURDIR)/build/clang

PYTHON313 := $(shell \
  for c in python3.13 $$HOME/.pyenv/versions/3.13*/bin/python3.13 /root/.pyenv/versions/3.13*/bin/python3.13 /usr/bin/python3.13 /usr/local/bin/python3.13; do \
    if [ -x "$$(command -v $$c 2>/dev/null)" ] && $$c -c 'import sys; assert sys.version_info[:2] == (3, 13)' >/dev/null 2>&1; then echo $$(command -v $$c); break; fi; \
  done)

# configure-and-build DIR EXTRA_CMAKE_ARGS
define cmake_build
	"$(VENV)/bin/cmake" -S "$(CURDIR)" -B "$(1)" -G Ninja -DCMAKE_MAKE_PROGRAM="$(CURDIR)/$(VENV)/bin/ninja" \
	  -DPython_EXECUTABLE="$(PY)" -DCMAKE_BUILD_TYPE=Release $(2) >/dev/null
	"$(VENV)/bin/cmake" --build "$(1)"
endef

.PHONY: venv build run test sanitize test-clang test-windows bench clean

$(VENV)/.ready: pyproject.toml
	@if [ -z "$(PYTHON313)" ]; then echo "CPython 3.13 not found (python3.13 on PATH or under ~/.pyenv/versions)"; exit 1; fi
	rm -rf "$(VENV)"
	"$(PYTHON313)" -m venv "$(VENV)"
	"$(PY)" -m pip install -q --upgrade pip
	"$(PY)" -m pip install -q "scikit-build-core>=0.10" "cmake>=3.18" ninja "pytest>=8"
	@# Test-only oracles; the tests that use them skip when they cannot be had.
	-"$(PY)" -m pip install -q pyproj geographiclib shapely
	touch "$@"

venv: $(VENV)/.ready

build: venv
	$(call cmake_build,$(BUILD),)

# build-dir is persistent, so a second run compiles only what changed.
run: venv
	"$(PY)" -m pip install -q --no-build-isolation -C build-dir=build/wheel .
	"$(PY)" examples/export_sample.py examples/out

test: build
	"$(PY)" -m pytest -q tests

# Another build of the module, swapped in over the in-place one (so child
# interpreters of the tests load it too) and removed afterwards, so the next
# `make build` relinks: swapped_build DIR CMAKE_ARGS ENV_FOR_PYTEST
define swapped_build
	rm -f src/tivenpy*.so
	$(call cmake_build,$(1),$(2))
	status=0; $(3) "$(PY)" -m pytest -q -p no:cacheprovider tests || status=$$?; \
	rm -f src/tivenpy*.so; exit $$status
endef

# libstdc++ is preloaded with the runtime: python itself does not link it, and
# ASan must find the real __cxa_throw at start-up. PYTHONMALLOC=malloc: pymalloc
# hands freed objects out again, where ASan would not see them used.
sanitize: venv
	$(call swapped_build,$(ASAN_BUILD),-DTIVEN_SANITIZE=ON,\
	  LD_PRELOAD="$$(g++ -print-file-name=libasan.so):$$(g++ -print-file-name=libstdc++.so)" \
	  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 PYTHONMALLOC=malloc TIVENPY_SANITIZE=1)

# A second compiler keeps the code portable. clang comes from Debian's
# packages when it is missing.
test-clang: venv
	command -v clang++ >/dev/null || { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q clang >/dev/null; }
	$(call swapped_build,$(CLANG_BUILD),-DCMAKE_CXX_COMPILER=clang++,)

# The binding needs a Windows CPython, which cannot be had here; everything
# below it is checked for Windows with Debian's cross compiler and Wine,
# installed when they are missing.
test-windows: venv
	command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null || { apt-get update -q && \
	  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 \
	    g++-mingw-w64-x86-64-posix wine wine64 >/dev/null; }
	bash tests/windows/cross_check.sh "$(PY)"

# The peers are benchmark-only extras; a comparison whose peer is missing is skipped
# (ogr2ogr comes from Debian's gdal-bin).
bench: build
	-"$(PY)" -m pip install -q pyproj shapely orjson
	"$(PY)" benchmarks/bench.py

clean:
	rm -rf build "$(VENV)" src/tivenpy*.so
