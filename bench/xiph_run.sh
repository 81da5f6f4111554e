#!/usr/bin/env bash
# FLAC level 5 and Opus 96 kbit/s encoding: the program's writer beside `flac -5` and
# `opusenc --bitrate 96` on the same generated stereo audio (44.1 kHz for FLAC, 48 kHz for Opus,
# the rate each is written at), as CPU ratios measured in one run.
#
#   ./bench/xiph_run.sh [SECONDS] [REPEATS]
#
# CPU time is user + system; the smallest of REPEATS runs counts. The program's figure is the
# writes alone (xiph_bench); the tools are timed with wait4 (tavrin_bench exec) on the whole
# input and on its first second, and the difference is taken, so their start-up is left out.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_AUDIO=${1:-120}
REPEATS=${2:-5}
BUILD_DIR=${BUILD_DIR:-build}
scripts/install-deps.sh
[ -f "$BUILD_DIR/CMakeCache.txt" ] || cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --target xiph_bench tavrin_bench -j2 >/dev/null
X="$BUILD_DIR/bench/xiph_bench"
T="$BUILD_DIR/bench/tavrin_bench"
WORK=$(mktemp -d /tmp/tavrin_xiph.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

val() { sed -n "s/^$1=//p" "$2" | head -1; }
calc() { awk "BEGIN { printf \"%.3f\", $* }"; }
lt() { awk "BEGIN { exit !($1 < $2) }"; }
best() {   # smallest value of a key over REPEATS runs of a command
  local key=$1 b="" t; shift
  for _ in $(seq "$REPEATS"); do
    "$@" >"$WORK/out" || { echo "failed: $*" >&2; exit 1; }
    t=$(val "$key" "$WORK/out")
    if [ -z "$b" ] || lt "$t" "$b"; then b=$t; fi
  done
  echo "$b"
}
tool_ms_per_s() {   # arguments: input stem, then the command with @IN@ for the input and @OUT@
  local stem=$1 full short args; shift
  args=("${@//@IN@/$WORK/${stem}_1s.wav}")
  short=$(best cpu_s "$T" exec "${args[@]//@OUT@/$WORK/short.out}")
  args=("${@//@IN@/$WORK/$stem.wav}")
  full=$(best cpu_s "$T" exec "${args[@]//@OUT@/$WORK/tool.$stem}")
  calc "($full - $short) / ($SECONDS_AUDIO - 1) * 1000"
}

for rate in 44100 48000; do
  "$X" genwav $rate "$SECONDS_AUDIO" "$WORK/in$rate.wav"
  "$X" genwav $rate 1 "$WORK/in${rate}_1s.wav"
done

ours_flac=$(best cpu_ms_per_audio_s "$X" encode flac "$SECONDS_AUDIO" "$WORK/ours.flac")
flac_tool=$(tool_ms_per_s in44100 flac --silent -f -5 -o @OUT@ @IN@)
ours_opus=$(best cpu_ms_per_audio_s "$X" encode opus "$SECONDS_AUDIO" "$WORK/ours.opus")
opus_tool=$(tool_ms_per_s in48000 opusenc --quiet --bitrate 96 @IN@ @OUT@)

echo "Machine: $(nproc) cores; ${SECONDS_AUDIO} s of stereo audio, best of ${REPEATS}; CPU ms per s of audio"
printf '%-44s %8s\n' "FLAC level 5: Tavrin" "$ours_flac"
printf '%-44s %8s\n' "FLAC level 5: flac -5" "$flac_tool"
printf '%-44s %8s\n' "FLAC ratio" "$(calc "$ours_flac / $flac_tool")"
printf '%-44s %8s\n' "Opus 96 kbit/s: Tavrin" "$ours_opus"
printf '%-44s %8s\n' "Opus 96 kbit/s: opusenc --bitrate 96" "$opus_tool"
printf '%-44s %8s\n' "Opus ratio" "$(calc "$ours_opus / $opus_tool")"
printf '%-44s %8s / %s\n' "file size, Tavrin / tool: FLAC (bytes)" "$(stat -c %s "$WORK/ours.flac")" "$(stat -c %s "$WORK/tool.in44100")"
printf '%-44s %8s / %s\n' "file size, Tavrin / tool: Opus (bytes)" "$(stat -c %s "$WORK/ours.opus")" "$(stat -c %s "$WORK/tool.in48000")"
