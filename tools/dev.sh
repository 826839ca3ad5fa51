#!/usr/bin/env bash
# Sets up a Debian 12 machine for Tavrin, builds it, and then runs it or its tests.
#   bash tools/dev.sh run    install what is missing, build, start the program
#   bash tools/dev.sh test   install what is missing, build, run every test
#   bash tools/dev.sh bench  install what is missing, build, run the benchmarks
#   bash tools/dev.sh sanitize  the same as test, built apart in build-asan with AddressSanitizer
#                               and UndefinedBehaviorSanitizer; the first fault stops its test
set -euo pipefail

cd "$(dirname "$0")/.."
what="${1:-run}"
sanitize=OFF
if [[ $what == sanitize ]]; then
  sanitize=ON
  build_dir="${BUILD_DIR:-build-asan}"
else
  build_dir="${BUILD_DIR:-build}"
fi

packages=(g++ cmake ninja-build libgtest-dev libgmock-dev qt6-base-dev libx11-dev libxtst-dev
          xvfb xauth icewm fonts-dejavu-core fonts-liberation poppler-utils)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  if [[ $(id -u) -eq 0 ]]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
  else
    echo "Tavrin needs these Debian packages, which are not installed:" >&2
    echo "  ${missing[*]}" >&2
    echo "Install them with:  sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi

# The sanitized build is a debug one, so that Qt's own checks of indexes and sizes run as well.
build_type=RelWithDebInfo
[[ $sanitize == ON ]] && build_type=Debug
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DTAVRIN_SANITIZE="$sanitize"
cmake --build "$build_dir" --parallel "$(nproc)"

case "$what" in
  run)
    exec "$build_dir/app/tavrin"
    ;;
  test)
    cd "$build_dir"
    ctest --output-on-failure --parallel "$(nproc)"
    ;;
  sanitize)
    # Leaks are not looked for: the only ones a run shows are Qt's own, kept until the process
    # ends on purpose (the D-Bus thread's buffer, the accessibility cache), and they fail every
    # end-to-end test through the program's exit status.
    cd "$build_dir"
    ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" \
      UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}" \
      ctest --output-on-failure --parallel "$(nproc)"
    ;;
  bench)
    for b in "$build_dir"/bench/bench_*; do
      [[ -x "$b" ]] && QT_QPA_PLATFORM=offscreen "$b"
    done
    ;;
  *)
    echo "usage: bash tools/dev.sh run|test|bench|sanitize" >&2
    exit 2
    ;;
esac
