#!/usr/bin/env bash
# `make test-windows`: every file under src/ that does not reach Python.h,
# cross-compiled for Windows with the GCC flags of CMakeLists.txt and -Werror,
# then platform_file_check.cpp run under Wine. Usage: cross_check.sh VENV_PYTHON
set -euo pipefail
cd "$(dirname "$0")/../.."
py=$1
ninja=$(dirname "$py")/ninja
out=build/windows
cxx=x86_64-w64-mingw32-g++-posix

# Taken from CMakeLists.txt so that the two cannot drift apart.
flags=$(sed -n 's/^ *target_compile_options(tivenpy PRIVATE \(-Wall [^)]*\))$/\1/p' CMakeLists.txt)
[[ $flags == *-Wextra* && $flags == *-ffp-contract=off* ]] || { echo "no GCC flags found in CMakeLists.txt" >&2; exit 1; }

# Pure: Python.h is nowhere in the include closure the host compiler sees,
# headers that reach it indirectly included. A missing header fails here.
pyinc=$("$py" -c 'import sysconfig; print(sysconfig.get_paths()["include"])')
pure=()
mapfile -t sources < <(find src -name '*.cpp' -printf '%P\n' | sort)
for f in "${sources[@]}"; do
    deps=$(g++ -std=c++20 -M -Isrc -I"$pyinc" "src/$f")
    [[ $deps =~ (^|[/[:space:]])Python\.h([[:space:]]|$) ]] || pure+=("$f")
done
# About 30 today: far fewer means the test above went wrong, not the code.
if (( ${#pure[@]} < 25 )); then echo "only ${#pure[@]} pure files found under src/" >&2; exit 1; fi
echo "cross-compiling ${#pure[@]} files for x86_64-w64-mingw32"

mkdir -p "$out"
{
    echo "compiler = $cxx"
    echo "flags = -std=c++20 -O3 -DNDEBUG $flags -Werror -I../../src"
    cat <<'EOF'
rule cxx
  command = $compiler $flags -MD -MF $out.d -c $in -o $out
  depfile = $out.d
  deps = gcc
  description = mingw $in
rule link
  command = $compiler -static $in -o $out
  description = link $out
EOF
    for f in "${pure[@]}"; do echo "build obj/${f%.cpp}.o: cxx ../../src/$f"; done
    echo "build obj/platform_file_check.o: cxx ../../tests/windows/platform_file_check.cpp"
    echo "build platform_file_check.exe: link obj/platform_file_check.o obj/core/platform_file.o"
} >"$out/build.ninja"
"$ninja" -C "$out"

# A prefix of our own, quiet and headless; made once (it takes a while).
export WINEPREFIX=$PWD/$out/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [[ ! -e $WINEPREFIX/.made ]]; then
    echo "making the Wine prefix $WINEPREFIX (first run only)"
    rm -rf "$WINEPREFIX"
    if ! { wineboot -i && wineserver -w; } >"$out/wineboot.log" 2>&1; then cat "$out/wineboot.log" >&2; exit 1; fi
    touch "$WINEPREFIX/.made"
fi
scratch=$out/scratch
rm -rf "$scratch" && mkdir "$scratch"
trap 'rm -rf "$scratch"' EXIT
(cd "$scratch" && wine ../platform_file_check.exe)
