#!/usr/bin/env bash
# Tavrin's benchmarks side by side with the outside tools, on the same generated audio.
#
#   ./bench/run.sh [SECONDS] [REPEATS]
#
# SECONDS of audio for the encode/decode comparisons (default 120), each measured REPEATS times
# (default 3); the smallest CPU time of each side counts (the machine is shared, and other
# load only ever adds time). CPU time is user + system: getrusage inside tavrin_bench, and
# wait4 for the tools (tavrin_bench exec), both to the microsecond. The one-hour MP3s are
# kept in $BUILD_DIR/bench_data between runs.
# Set TAVRIN_BENCH_LONG=0 to skip the three-hour memory run.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_AUDIO=${1:-120}
REPEATS=${2:-3}
BUILD_DIR=${BUILD_DIR:-build}
LONG=${TAVRIN_BENCH_LONG:-1}

if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD_DIR" --target tavrin tavrin_bench -j2 >/dev/null
B="$BUILD_DIR/bench/tavrin_bench"
DATA="$BUILD_DIR/bench_data"
mkdir -p "$DATA"
WORK=$(mktemp -d /tmp/tavrin_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

for tool in lame sox ffmpeg; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done

val() { sed -n "s/^$1=//p" "$2" | head -1; }
calc() { awk "BEGIN { printf \"%.3f\", $* }"; }
lt() { awk "BEGIN { exit !($1 < $2) }"; }

# Smallest CPU seconds of REPEATS runs of a tool (its start-up included).
tool_cpu_raw() {
  local best=""
  for _ in $(seq "$REPEATS"); do
    "$B" exec "$@" >"$WORK/time" || { echo "failed: $*" >&2; exit 1; }
    local t; t=$(val cpu_s "$WORK/time")
    if [ -z "$best" ] || lt "$t" "$best"; then best=$t; fi
  done
  echo "$best"
}

# A tool's CPU milliseconds per second of audio, its start-up left out: the tool is timed on
# the whole input and on its first second, and the difference is divided by the seconds
# between (tavrin_bench times the work inside its process, after its own start-up).
# Arguments: the tool's command with @IN@ standing for the input file.
tool_ms_per_s() {
  local full short
  full=$(tool_cpu_raw "${@//@IN@/$WORK/in.wav}")
  short=$(tool_cpu_raw "${@//@IN@/$WORK/in1.wav}")
  calc "($full - $short) / ($SECONDS_AUDIO - 1) * 1000"
}

# Smallest CPU milliseconds per second of audio of REPEATS runs of a tavrin_bench mode.
our_cpu() {
  local best=""
  for _ in $(seq "$REPEATS"); do
    "$B" "$@" >"$WORK/out" 2>"$WORK/err" || { cat "$WORK/err" >&2; exit 1; }
    local t; t=$(val cpu_ms_per_audio_s "$WORK/out")
    if [ -z "$best" ] || lt "$t" "$best"; then best=$t; fi
  done
  echo "$best"
}

RESULTS="$WORK/results"
: >"$RESULTS"
row() { printf '%-58s %s\n' "$1" "$2" | tee -a "$RESULTS"; }
verdict() { if lt "$1" "$2"; then echo "met"; else echo "MISSED"; fi; }

echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
echo "Audio: ${SECONDS_AUDIO} s of 44.1 kHz stereo, best of ${REPEATS}"
echo

"$B" genwav "$WORK/in.wav" "$SECONDS_AUDIO" >/dev/null
"$B" genwav "$WORK/in1.wav" 1 >/dev/null

# --- recording: virtual input, free-running clock, filters on, WriteArray ----------------------
for fmt in mp3 wav wma; do
  case $fmt in
    mp3) tool="lame -b 128"; ours=$(our_cpu record mp3 "$SECONDS_AUDIO" "$WORK/ours.mp3")
         theirs=$(tool_ms_per_s lame --quiet -b 128 @IN@ "$WORK/lame_x.mp3")
         lame --quiet -b 128 "$WORK/in.wav" "$WORK/lame.mp3" ;;
    wav) tool="sox (16-bit WAV)"; ours=$(our_cpu record wav "$SECONDS_AUDIO" "$WORK/ours.wav")
         theirs=$(tool_ms_per_s sox @IN@ -b 16 "$WORK/sox.wav") ;;
    wma) tool="ffmpeg -c:a wmav2 -b:a 128k"; ours=$(our_cpu record wma "$SECONDS_AUDIO" "$WORK/ours.wma")
         theirs=$(tool_ms_per_s ffmpeg -nostdin -loglevel error -y -i @IN@ -c:a wmav2 -b:a 128k "$WORK/ff_x.wma")
         ffmpeg -nostdin -loglevel error -y -i "$WORK/in.wav" -c:a wmav2 -b:a 128k "$WORK/ffmpeg.wma" ;;
  esac
  per_ours=$ours
  per_theirs=$theirs
  ratio=$(calc "$per_ours / $per_theirs")
  case $fmt in mp3) per_mp3=$per_ours; per_lame=$per_theirs ;; wav) per_wav=$per_ours ;;
               wma) per_wma=$per_ours; per_ffwma=$per_theirs ;; esac
  row "record $fmt: Tavrin CPU ms per s of audio" "$per_ours"
  row "record $fmt: $tool, CPU ms per s of audio" "$per_theirs"
  row "record $fmt: ratio (goal <= 1.1)" "$ratio $(verdict "$ratio" 1.1001)"
done
# The same three filters in sox, for a like-for-like WAV figure (sox above only copies).
theirs=$(tool_ms_per_s sox @IN@ -b 16 "$WORK/soxf.wav" bandreject 50 10 highpass 60 lowpass 15000)
row "record wav: sox with notch, high- and low-pass CPU ms/s" "$theirs"
row "record wav: ratio to sox with the filters (goal <= 1.1)" "$(calc "$per_wav / $theirs") $(verdict "$(calc "$per_wav / $theirs")" 1.1001)"
# What the engine itself costs: virtual input, record filter, blocks, events; no file.
ours_none=$(our_cpu record none "$SECONDS_AUDIO" -)
row "record, no file (input + filters + blocks + events): CPU ms/s" "$ours_none"
row "record mp3: encoder part alone (mp3 - no file) / lame" "$(calc "($per_mp3 - $ours_none) / $per_lame")"
row "record wma: encoder part alone (wma - no file) / ffmpeg" "$(calc "($per_wma - $ours_none) / $per_ffwma")"
# As a new program records (the record filter's three stages off, so it does nothing).
ours_wma_plain=$(our_cpu record wma "$SECONDS_AUDIO" "$WORK/ours_plain.wma" nofilter)
ours_none_plain=$(our_cpu record none "$SECONDS_AUDIO" - nofilter)
row "record wma, filter off: Tavrin CPU ms per s of audio" "$ours_wma_plain"
row "record wma, filter off: ratio to ffmpeg (goal <= 1.1)" "$(calc "$ours_wma_plain / $per_ffwma") $(verdict "$(calc "$ours_wma_plain / $per_ffwma")" 1.1001)"
row "record, no file, filter off: CPU ms/s" "$ours_none_plain"

# --- playback feeding: Open, ReadArray(200 ms) to the end ---------------------------------------
for fmt in mp3 wma; do
  f="$WORK/lame.mp3"; [ $fmt = wma ] && f="$WORK/ffmpeg.wma"
  ours=$(our_cpu play "$f")
  # The tool's start-up: the same command on the first second of the same file.
  case $fmt in
    mp3) lame --quiet -b 128 "$WORK/in1.wav" "$WORK/short.mp3"; s="$WORK/short.mp3" ;;
    wma) ffmpeg -nostdin -loglevel error -y -i "$WORK/in1.wav" -c:a wmav2 -b:a 128k "$WORK/short.wma"; s="$WORK/short.wma" ;;
  esac
  full=$(tool_cpu_raw ffmpeg -nostdin -loglevel error -i "$f" -f null -)
  short=$(tool_cpu_raw ffmpeg -nostdin -loglevel error -i "$s" -f null -)
  theirs=$(calc "($full - $short) / ($SECONDS_AUDIO - 1) * 1000")
  ratio=$(calc "$ours / $theirs")
  row "play $fmt: Tavrin CPU ms per s of audio" "$ours"
  row "play $fmt: ffmpeg -f null CPU ms per s of audio" "$theirs"
  row "play $fmt: ratio (goal <= 1.1)" "$ratio $(verdict "$ratio" 1.1001)"
done

# --- one-hour MP3: length and seeks ---------------------------------------------------------------
HOUR="$DATA/hour_lame.mp3"
HOUR_PLAIN="$DATA/hour_noheader.mp3"
if [ ! -s "$HOUR" ]; then
  echo "(making the one-hour MP3 once; kept in $DATA)"
  "$B" genwav "$WORK/hour.wav" 3600 >/dev/null
  lame --quiet -b 128 -q 7 "$WORK/hour.wav" "$HOUR.tmp" && mv "$HOUR.tmp" "$HOUR"
  rm -f "$WORK/hour.wav"
fi
[ -s "$HOUR_PLAIN" ] || "$B" striptag "$HOUR" "$HOUR_PLAIN" >/dev/null
"$B" openlength "$HOUR" 10 >"$WORK/len1"
"$B" openlength "$HOUR_PLAIN" 5 >"$WORK/len2"
open1=$(val open_ms_median "$WORK/len1")
row "1 h MP3 with LAME header: Open + Length, median ms (goal < 20)" "$open1 $(verdict "$open1" 20)"
row "1 h MP3 with LAME header: Length (frames, seconds)" "$(val length "$WORK/len1") $(val seconds "$WORK/len1")"
row "1 h CBR MP3 without header: Open + Length, median ms" "$(val open_ms_median "$WORK/len2")"
row "1 h CBR MP3 without header: Length (frames, seconds)" "$(val length "$WORK/len2") $(val seconds "$WORK/len2")"
"$B" seek "$HOUR" 100 >"$WORK/seek"
row "1 h MP3: 100 random Seeks, median / worst ms" "$(val seek_ms_median "$WORK/seek") / $(val seek_ms_worst "$WORK/seek")"
row "1 h MP3: first Seek / worst of the other 99, ms" "$(val seek_ms_first "$WORK/seek") / $(val seek_ms_worst_after_first "$WORK/seek")"
row "1 h MP3: Seek + ReadArray(200 ms), median / worst ms" "$(val seek_read_ms_median "$WORK/seek") / $(val seek_read_ms_worst "$WORK/seek")"
row "1 h MP3: Seeks that missed their exact frame" "$(val missed_positions "$WORK/seek")"

# --- start-up to the first shown window (offscreen, virtual audio) --------------------------------
PROG="$WORK/prog"
mkdir -p "$PROG"
cp "$BUILD_DIR/tavrin" "$PROG/"
for side in tips.txt support.ini; do [ -f "$BUILD_DIR/$side" ] && cp "$BUILD_DIR/$side" "$PROG/"; done
: >"$WORK/starts"
for _ in $(seq 10); do
  TAVRIN_START_NS=$(date +%s%N) QT_QPA_PLATFORM=offscreen TAVRIN_AUDIO=virtual TAVRIN_EXIT_AFTER_SHOW=1 \
    "$PROG/tavrin" 2>/dev/null | sed -n 's/^shown_ms=//p' >>"$WORK/starts"
done
if [ -s "$WORK/starts" ]; then
  row "start to first shown window, median of 10 ms" "$(sort -g "$WORK/starts" | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }')"
  row "start to first shown window, worst ms" "$(sort -g "$WORK/starts" | tail -1)"
else
  row "start to first shown window" "no figure (the program printed no shown_ms)"
fi

# --- resident memory of a three-hour recording --------------------------------------------------
if [ "$LONG" != 0 ]; then
  "$B" memory wav 10800 "$WORK/long.wav" >"$WORK/mem"
  rm -f "$WORK/long.wav"
  growth=$(val rss_growth_kib "$WORK/mem")
  row "3 h WAV recording: VmRSS at 1 min / at the end, KiB" "$(val rss_first_minute_kib "$WORK/mem") / $(val rss_last_kib "$WORK/mem")"
  row "3 h WAV recording: VmRSS growth, KiB (goal < 2048)" "$growth $(verdict "$growth" 2048)"
  row "3 h WAV recording: wall s, CPU s, frames lost" "$(val wall_s "$WORK/mem") $(val cpu_s "$WORK/mem") $(( $(val overflow "$WORK/mem") ))"
fi

echo
echo "Google Benchmark on the one-hour MP3:"
"$B" micro "$HOUR" --benchmark_min_time=0.2 2>/dev/null | sed -n '/^Benchmark/,$p'
