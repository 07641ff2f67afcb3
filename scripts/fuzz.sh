#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build folder and runs them.
#   scripts/fuzz.sh TARGET [SECONDS] [LIBFUZZER-ARGS...]   one target, 300 s by default
#   scripts/fuzz.sh --all SECONDS                          every target in turn (CI's short runs)
#   scripts/fuzz.sh --build                                build only
# New inputs go to $FUZZ_BUILD/corpus/TARGET (the committed corpus under
# fuzz/corpus is only read); a finding stops the run, is written under
# $FUZZ_BUILD/artifacts/TARGET/ and printed. See fuzz/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
build="${FUZZ_BUILD:-build-fuzz}"
targets=(resizer_format raw_file raw_file_on_disk matrix_file contour_text com_records)

corpus_of() {
  case "$1" in
    raw_file_on_disk) echo raw_file ;;
    *) echo "$1" ;;
  esac
}
dict_of() {
  case "$1" in
    resizer_format) echo fuzz/dict/resizer_format.dict ;;
    matrix_file | contour_text) echo fuzz/dict/text.dict ;;
    *) echo "" ;;
  esac
}

build_targets() {
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR=1
  # Only the libraries the targets link are built: the target pixolan_fuzz.
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DPIXOLAN_FUZZ=ON \
    -DPIXOLAN_BUILD_TESTS=OFF -DPIXOLAN_BUILD_BENCH=OFF -DPIXOLAN_WITH_GSTREAMER=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)" --target pixolan_fuzz
}

run_target() {
  local target="$1" seconds="$2"
  shift 2
  local corpus work artifacts dict
  corpus="fuzz/corpus/$(corpus_of "$target")"
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  dict="$(dict_of "$target")"
  [ -d "$corpus" ] || { echo "unknown target: $target" >&2; return 2; }
  mkdir -p "$work" "$artifacts"
  local args=(-max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=256 -timeout=10
    -print_final_stats=1 -artifact_prefix="$artifacts/")
  [ -n "$dict" ] && args+=(-dict="$dict")
  echo "== fuzz_$target for ${seconds} s"
  local status=0
  ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}" \
    "$build/bin/fuzz_$target" "${args[@]}" "$@" "$work" "$corpus" >"$build/fuzz_$target.log" 2>&1 || status=$?
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)|cov:' "$build/fuzz_$target.log" | tail -4
  if [ "$status" -ne 0 ]; then
    echo "fuzz_$target FAILED (exit $status); its log:" >&2
    tail -60 "$build/fuzz_$target.log" >&2
    local f
    for f in "$artifacts"/*; do
      [ -f "$f" ] || continue
      echo "reproducer $f (replay: $build/bin/fuzz_$target $f), base64:" >&2
      base64 -w 76 "$f" | head -40 >&2
    done
    return 1
  fi
}

case "${1:-}" in
  "" | -h | --help)
    sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
    exit 0 ;;
  --build)
    build_targets ;;
  --all)
    seconds="${2:-30}"
    build_targets
    passed=0
    failed=0
    for t in "${targets[@]}"; do
      if run_target "$t" "$seconds"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
    done
    echo "fuzz: $passed passed, $failed failed"
    [ "$failed" -eq 0 ] ;;
  *)
    target="$1"
    seconds="${2:-300}"
    shift $(($# >= 2 ? 2 : 1))
    build_targets
    run_target "$target" "$seconds" "$@" ;;
esac
