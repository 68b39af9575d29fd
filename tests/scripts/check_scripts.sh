#!/usr/bin/env bash
# check_scripts.sh <source dir>: runs copies of scripts/run and then scripts/test with stand-ins
# for cmake, ctest, dpkg-query and the programs. The stand-in cmake keeps each -D option in a
# cache that outlives the run, as CMake's does. Checks that the test script, whatever the run
# script left in the cache, builds with the tests and benchmarks on and has CTest fail when it
# finds no test.
set -euo pipefail

src="$1"
root="$(mktemp -d "${TMPDIR:-/tmp}/vorns-scripts-test.XXXXXX")"
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/scripts" "$root/stubs" "$root/build"
cp "$src/scripts/common.sh" "$src/scripts/run" "$src/scripts/test" "$root/scripts/"
export LOG="$root/log"
export DISPLAY="${DISPLAY:-:stub}"

cat >"$root/stubs/cmake" <<'STUB'
#!/usr/bin/env bash
if [ "$1" = "--build" ]; then
    echo "build $*" >>"$LOG"
    exit 0
fi
dir=""
while [ $# -gt 0 ]; do
    case "$1" in
    -B) dir="$2"; shift ;;
    -D*)
        setting="${1#-D}"
        touch "$dir/cache"
        grep -v "^${setting%%=*}=" "$dir/cache" >"$dir/cache.new" || true
        echo "$setting" >>"$dir/cache.new"
        mv "$dir/cache.new" "$dir/cache"
        ;;
    esac
    shift
done
STUB
# Finds tests only when the cache has them on; then answers as CTest does.
cat >"$root/stubs/ctest" <<'STUB'
#!/usr/bin/env bash
echo "ctest $*" >>"$LOG"
if grep -qx VESK_BUILD_TESTS=OFF "$ROOT_BUILD/cache"; then
    echo "No tests were found!!!"
    for arg in "$@"; do [ "$arg" = --no-tests=error ] && exit 8; done
fi
exit 0
STUB
printf '#!/usr/bin/env bash\necho "install ok installed"\n' >"$root/stubs/dpkg-query"
printf '#!/usr/bin/env bash\necho "game $*" >>"$LOG"\n' >"$root/build/Vorns"
printf '#!/usr/bin/env bash\necho pak >"$1"\n' >"$root/build/make_data"
chmod +x "$root"/stubs/* "$root/build/Vorns" "$root/build/make_data"
export PATH="$root/stubs:$PATH" ROOT_BUILD="$root/build"

fail() {
    echo "FAILED: $*"
    cat "$LOG" "$root/build/cache" 2>/dev/null
    exit 1
}

bash "$root/scripts/run" >/dev/null || fail "scripts/run failed"
grep -q '^game' "$LOG" || fail "scripts/run did not start the game"
bash "$root/scripts/test" >/dev/null || fail "scripts/test failed after scripts/run"
for setting in VESK_BUILD_TESTS=ON VESK_BUILD_BENCH=ON; do
    grep -qx "$setting" "$root/build/cache" || fail "the test build lacks $setting"
done
grep -q '^ctest .*--no-tests=error' "$LOG" || fail "CTest may pass without tests"

# A cache with the tests off (as an older run script left it) must fail the test script.
sed -i "s/^VESK_BUILD_TESTS=.*/VESK_BUILD_TESTS=OFF/" "$root/build/cache"
sed -i 's/-DVESK_BUILD_TESTS=ON//' "$root/scripts/test"
if bash "$root/scripts/test" >/dev/null; then
    fail "scripts/test passed with no tests"
fi
echo "scripts checked"
