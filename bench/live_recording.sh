#!/usr/bin/env bash
# Tavrin recording from a real sound server with its window shown, beside the command-line
# recorders, in one run.
#
#   ./bench/live_recording.sh [WINDOW_SECONDS] [REPEATS]
#
# A private PulseAudio (its own runtime folder) has a null sink whose monitor is the default
# source; a player with a two-second buffer plays the benchmark's music-like signal into it, so
# the sink works at whatever pace its recorders ask for, as a sound card does. A private Xvfb
# display shows the program's window. Every recorder records 44.1 kHz stereo from the default
# source for a warm-up and then WINDOW_SECONDS (default 30) measured; the recorders take turns,
# REPEATS rounds (default 3), and each figure is the median of the rounds. Over the same window,
# for the recorder (every process it started), the sound server and the X server:
#   CPU       time on a processor of every thread (/proc/PID/task/TID/schedstat, nanoseconds)
#             as percent of one core; the sound server also less its figure with no recorder;
#   switches  context switches a second, voluntary + involuntary, every thread;
#   RSS       the program's resident memory at the end of the window (and, for the armed rows,
#             its growth over the window).
# Tavrin is build/tavrin copied into a temporary program folder whose setup.ini records MP3
# 128 kbit/s or 16-bit WAV, 44.1 kHz stereo, with no tip at start; TAVRIN_RECORD_AT_SHOW=1
# gives the record command once the window is up. The "hidden" rows unmap its window (as a
# window manager does when it minimises one) once the recording runs. Tavrin records through
# the sound server's own client library; the "portaudio" row through PortAudio's ALSA road
# (TAVRIN_AUDIO=portaudio, ALSA's pulse plugin). The "armed" rows set start on sound with a
# threshold of 0 dBFS, which the music never reaches: the record command arms the program, which
# then captures into its pre-roll and waits, writing nothing. The "mix", "split" and "app" rows
# record two inputs: the null sink's monitor first and, second, the monitor of another null sink
# that a second player (application.name "bench-player") plays into, mixed or split, or that
# player as an application input; their sound server's figure less the one-input row's is the
# server's cost of the second stream.
# Last, the start to the shown window (TAVRIN_EXIT_AFTER_SHOW=1), median of 10, on the same
# display and sound server.
# TAVRIN_BENCH_ONLY="tavrin_wav arecord ..." measures only the recorders named (idle always);
# TAVRIN_BENCH_THREADS=1 also prints each thread of the program: CPU % and switches a second.
# TAVRIN_BENCH_PROFILE=callgrind|perf profiles the window's thread instead (one WAV recording,
# window shown, WINDOW_SECONDS after the warm-up; TAVRIN_BENCH_FORMAT=mp3 for MP3, =armed for the
# waiting; TAVRIN_BENCH_VIEW=hidden unmaps the window as the hidden rows do): callgrind
# counts its instructions per tick of the recorder (repeatable on a busy machine), by widget
# and for the whole thread; perf samples where its time goes, the kernel's part included.
# The profile's files stay in TAVRIN_BENCH_PROFILE_DIR (default /tmp/tavrin_profile).
set -euo pipefail
cd "$(dirname "$0")/.."
WINDOW=${1:-30}
REPEATS=${2:-3}
WARMUP=${TAVRIN_BENCH_WARMUP:-4}
BUILD_DIR=${BUILD_DIR:-build}

for tool in pulseaudio pactl pacat parecord lame arecord ffmpeg Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD_DIR" --target tavrin tavrin_bench -j2 >/dev/null

WORK=$(mktemp -d /tmp/tavrin_live.XXXXXX)
PIDS_TO_END=()
cleanup() {
  local p
  for p in "${PIDS_TO_END[@]}"; do kill -TERM -- "-$p" 2>/dev/null || kill -TERM "$p" 2>/dev/null || true; done
  for p in "${PIDS_TO_END[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$WORK"
}
forget() {
  local keep=() p
  for p in "${PIDS_TO_END[@]}"; do [ "$p" = "$1" ] || keep+=("$p"); done
  PIDS_TO_END=("${keep[@]}")
}
trap cleanup EXIT

# --- the private sound server ---------------------------------------------------------------------
unset PULSE_SERVER PULSE_SINK PULSE_SOURCE
export XDG_RUNTIME_DIR="$WORK/run"
export PULSE_RUNTIME_PATH="$WORK/run/pulse"
mkdir -p "$PULSE_RUNTIME_PATH"
chmod 700 "$XDG_RUNTIME_DIR" "$PULSE_RUNTIME_PATH"
cat >"$WORK/server.pa" <<'PA'
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=bench_null rate=44100 channels=2 sink_properties=device.description=bench-null
load-module module-null-sink sink_name=bench_null2 rate=44100 channels=2 sink_properties=device.description=bench-null2
set-default-sink bench_null
set-default-source bench_null.monitor
PA
setsid pulseaudio --daemonize=no --system=false --exit-idle-time=-1 --disallow-exit=yes \
  -n -F "$WORK/server.pa" --log-target=stderr >"$WORK/pulseaudio.log" 2>&1 &
SERVER=$!
PIDS_TO_END+=("$SERVER")
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "the private PulseAudio did not start:" >&2; cat "$WORK/pulseaudio.log" >&2; exit 1; }

"$BUILD_DIR/bench/tavrin_bench" genwav "$WORK/music.wav" 120 >/dev/null
setsid bash -c 'while pacat --playback -d bench_null --latency-msec=2000 --file-format=wav "$1"; do :; done' \
  player "$WORK/music.wav" >/dev/null 2>&1 &
PIDS_TO_END+=("$!")
# The second input's sound: another player, named, into the second sink (its monitor, or the
# player itself as an application input).
setsid bash -c 'while pacat --playback -d bench_null2 --latency-msec=2000 --file-format=wav \
  --property=application.name=bench-player "$1"; do :; done' player2 "$WORK/music.wav" >/dev/null 2>&1 &
PIDS_TO_END+=("$!")

# --- the private X display ------------------------------------------------------------------------
setsid Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
XSERVER=$!
PIDS_TO_END+=("$XSERVER")
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -1 "$WORK/display")"
export QT_QPA_PLATFORM=xcb

# --- measuring --------------------------------------------------------------------------------------
# CPU nanoseconds and context switches of every thread of the given processes: "ns switches".
usage_of() {
  local ns=0 cs=0 pid f
  for pid in "$@"; do
    for f in /proc/"$pid"/task/*; do
      [ -r "$f/schedstat" ] || continue
      read -r t _ <"$f/schedstat" 2>/dev/null || continue
      ns=$((ns + t))
      while read -r key value; do
        case $key in voluntary_ctxt_switches: | nonvoluntary_ctxt_switches:) cs=$((cs + value)) ;; esac
      done <"$f/status" 2>/dev/null || true
    done
  done
  echo "$ns $cs"
}
# Every thread of a process: "tid name cpu_ns switches".
threads_of() {
  local f t name v iv
  for f in /proc/"$1"/task/*; do
    read -r t _ <"$f/schedstat" 2>/dev/null || continue
    name=$(cat "$f/comm" 2>/dev/null)
    v=$(sed -n 's/^voluntary_ctxt_switches:[[:space:]]*//p' "$f/status" 2>/dev/null)
    iv=$(sed -n 's/^nonvoluntary_ctxt_switches:[[:space:]]*//p' "$f/status" 2>/dev/null)
    echo "${f##*/} ${name// /_} $t $((v + iv))"
  done
}
session_pids() { ps -o pid= -s "$1" 2>/dev/null | tr -s ' \n' ' '; }
rss_kib() { sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\).*/\1/p' /proc/"$1"/status 2>/dev/null || echo 0; }
now_ns() { date +%s%N; }
calc() { awk "BEGIN { printf \"%.${2:-2}f\", $1 }"; }

# A fresh program folder recording FORMAT (mp3|wav) into its rec/ folder; "armed" is WAV that
# waits for sound above 0 dBFS. FORMAT_mix and FORMAT_split record the two sinks' monitors as
# first and second input, FORMAT_app the first sink's monitor and the second player as an
# application.
make_program() {
  local dir=$1 format=${2%%_*} inputs=
  [ "$2" != "$format" ] && inputs=${2#*_}
  rm -rf "$dir"
  mkdir -p "$dir/rec"
  cp "$BUILD_DIR/tavrin" "$dir/"
  for side in tips.txt support.ini tavrin.html; do [ -f "$BUILD_DIR/$side" ] && cp "$BUILD_DIR/$side" "$dir/"; done
  printf '[options]\nsavepath=%s/rec/\nsaveformat=.%s\n[tips]\nshowtip=0\n' "$dir" "${format/armed/wav}" >"$dir/setup.ini"
  [ "$format" = armed ] && printf '[trigger]\nsound=1\nlevel=0\npreroll=2\n' >>"$dir/setup.ini"
  case $inputs in
    mix | split) printf '[input]\ndevice=bench_null.monitor\nsecond=bench_null2.monitor\nlayout=%s\n' "$inputs" >>"$dir/setup.ini" ;;
    app) printf '[input]\ndevice=bench_null.monitor\nsecond=app:bench-player\nlayout=mix\n' >>"$dir/setup.ini" ;;
  esac
  return 0
}

# --- profiling the window's thread -----------------------------------------------------------------
# Inclusive instructions per recorder tick of the functions that make the window's frames.
PROFILED_FUNCTIONS=(
  "TForm1::AudioRecord1Timer" "TAudioVisualization2::ShowArray" "AudioDeviceComponent::GetCurrentArray"
  "QWidgetRepaintManager::sync" "TAudioVisualization2::paintEvent" "SpectrumAnalyser::analyse"
  "MeterFace::paintEvent" "TimeFace::paintEvent" "SliderStrip::paintEvent" "QLabel::paintEvent"
  "QStatusBar::paintEvent" "QWidget::event" "QXcbBackingStore::flush" "QXcbBackingStoreImage::put"
  "QXcbConnection::processXcbEvents" "DeviceCore::realTimeTick"
)
profile_window() {
  local tool=$1 format=${TAVRIN_BENCH_FORMAT:-wav} view=${TAVRIN_BENCH_VIEW:-shown}
  local dir=${TAVRIN_BENCH_PROFILE_DIR:-/tmp/tavrin_profile}
  rm -rf "$dir"
  make_program "$dir/prog" "$format"
  local wrap=() preload=
  if [ "$tool" = callgrind ]; then
    wrap=(valgrind --tool=callgrind --separate-threads=yes --instr-atstart=no "--callgrind-out-file=$dir/callgrind.out")
    # Highway (under FFmpeg's codecs) times itself with RDTSCP when it is loaded, an instruction
    # this valgrind does not know: its timer resolution is answered without it.
    printf 'namespace hwy { namespace platform { unsigned long TimerResolution() { return 1; } } }\n' >"$dir/hwy_timer.cpp"
    g++ -shared -fPIC -O1 -o "$dir/hwy_timer.so" "$dir/hwy_timer.cpp"
    preload="$dir/hwy_timer.so"
  fi
  setsid env TAVRIN_RECORD_AT_SHOW=1 ${preload:+LD_PRELOAD=$preload} "${wrap[@]}" "$dir/prog/tavrin" >"$dir/stdout" 2>"$dir/stderr" &
  local sid=$! i
  PIDS_TO_END+=("$sid")
  for i in $(seq 1200); do grep -q '^recording ' "$dir/stdout" 2>/dev/null && break; sleep 0.1; done
  grep -q '^recording ' "$dir/stdout" || { echo "the program did not start recording" >&2; cat "$dir/stderr" >&2; exit 1; }
  if [ "$view" = hidden ]; then
    sleep 0.5
    local w
    for w in $(xdotool search --onlyvisible --pid "$sid" 2>/dev/null); do xdotool windowunmap "$w"; done
  fi
  sleep "$WARMUP"
  case $tool in
    callgrind)
      callgrind_control -i on "$sid" >/dev/null
      sleep "$WINDOW"
      callgrind_control -i off "$sid" >/dev/null ;;
    perf)
      perf record -q -F 1999 -g -p "$sid" -o "$dir/perf.data" -- sleep "$WINDOW" 2>/dev/null ;;
  esac
  kill -TERM "$sid" 2>/dev/null || true
  for i in $(seq 600); do kill -0 "$sid" 2>/dev/null || break; sleep 0.1; done
  wait "$sid" 2>/dev/null || true
  forget "$sid"
  echo "Window's thread recording ${format^^} with the window $view, ${WINDOW} s after ${WARMUP} s of warm-up ($tool)"
  if [ "$tool" = perf ]; then
    perf report -i "$dir/perf.data" --tid="$sid" --no-children --sort dso,symbol --percent-limit 1.5 --stdio 2>/dev/null |
      grep -v '^$' | grep -v '^#' | grep '%' | head -40
    echo "(perf data: $dir/perf.data; the window's thread is TID $sid)"
    return
  fi
  local main
  main=$(ls "$dir"/callgrind.out*-01 2>/dev/null | head -1)
  [ -n "$main" ] || { echo "no callgrind output for the main thread" >&2; exit 1; }
  callgrind_annotate --inclusive=yes --threshold=100 "$main" >"$dir/inclusive.txt" 2>/dev/null
  local ticks total
  ticks=$(python3 - "$main" <<'PY'
import re, sys
names, calls, target = {}, 0, None
for line in open(sys.argv[1], errors="replace"):
    m = re.match(r"^(c?fn)=\((\d+)\)(?: (.*))?$", line.rstrip("\n"))
    if m:
        kind, num, name = m.groups()
        if name:
            names[num] = name
        if kind == "cfn":
            target = names.get(num, "")
        continue
    m = re.match(r"^calls=(\d+)", line)
    if m and target and "TForm1::AudioRecord1Timer" in target:
        calls += int(m.group(1))
        target = None
print(calls)
PY
)
  total=$(sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$main" | head -1)
  echo "recorder ticks: $ticks; window's thread: $(calc "$total / 1e6" 1) M instructions, $(calc "$total / ($ticks > 0 ? $ticks : 1) / 1e3" 1) k a tick"
  printf '  %-42s %14s\n' function "k instr/tick"
  local f line ir
  for f in "${PROFILED_FUNCTIONS[@]}"; do
    line=$(grep -F "$f" "$dir/inclusive.txt" | head -1 || true)   # the largest: listed first
    ir=$(echo "$line" | awk '{ gsub(",", "", $1); print $1 + 0 }')
    printf '  %-42s %14s\n' "$f" "$(calc "${ir:-0} / ($ticks > 0 ? $ticks : 1) / 1e3" 1)"
  done
  echo "(callgrind files: $dir; callgrind_annotate --inclusive=yes $main)"
}

RESULTS="$WORK/results"
: >"$RESULTS"

# measure LABEL KIND [ARGS]: one round of one recorder. KIND: tavrin FORMAT shown|hidden, or
# tool COMMAND (a shell command line; @OUT@ stands for its output file), or idle.
measure() {
  local label=$1 kind=$2 sid out
  out="$WORK/out_$label"
  rm -rf "$out"
  mkdir -p "$out"
  case $kind in
    tavrin)
      local format=$3 view=$4 audio=${5:-}
      make_program "$out/prog" "$format"
      if [ "$format" = "${format%%_*}" ]; then
        setsid env TAVRIN_RECORD_AT_SHOW=1 ${audio:+TAVRIN_AUDIO=$audio} "$out/prog/tavrin" >"$out/stdout" 2>"$out/stderr" &
        sid=$!
        PIDS_TO_END+=("$sid")
        local i
        for i in $(seq 300); do grep -q '^recording ' "$out/stdout" 2>/dev/null && break; sleep 0.1; done
        grep -q '^recording ' "$out/stdout" || { echo "$label: the program did not start recording" >&2; cat "$out/stderr" >&2; exit 1; }
      else
        # Two inputs: the remembered inputs are chosen once the devices are listed, after the
        # window shows; the record command comes from the command line then.
        setsid "$out/prog/tavrin" >"$out/stdout" 2>"$out/stderr" &
        sid=$!
        PIDS_TO_END+=("$sid")
        local i
        for i in $(seq 300); do [ -n "$(xdotool search --onlyvisible --pid "$sid" 2>/dev/null)" ] && break; sleep 0.1; done
        sleep 2
        "$out/prog/tavrin" --record >/dev/null 2>&1 || { echo "$label: the record command failed" >&2; exit 1; }
        for i in $(seq 100); do [ "$(ps -L -o comm= -p "$sid" | grep -c tavrin-capture)" -ge 2 ] && break; sleep 0.1; done
        [ "$(ps -L -o comm= -p "$sid" | grep -c tavrin-capture)" -ge 2 ] ||
          { echo "$label: the second input does not record" >&2; cat "$out/stderr" >&2; exit 1; }
      fi
      if [ "$view" = hidden ]; then
        sleep 0.5
        local w
        for w in $(xdotool search --onlyvisible --pid "$sid" 2>/dev/null); do xdotool windowunmap "$w"; done
      fi
      ;;
    tool)
      setsid bash -c "${3//@OUT@/$out/rec}" >"$out/stdout" 2>"$out/stderr" &
      sid=$!
      PIDS_TO_END+=("$sid")
      ;;
    idle)
      setsid sleep 100000 &
      sid=$!
      PIDS_TO_END+=("$sid")
      ;;
  esac
  sleep "$WARMUP"
  local pids a0 s0 x0 t0 a1 s1 x1 t1 rss=0 rss0=0
  pids=$(session_pids "$sid")
  [ -n "$pids" ] || { echo "$label: the recorder ended early" >&2; cat "$out/stderr" >&2; exit 1; }
  local threads=${TAVRIN_BENCH_THREADS:-0}
  [ "$kind" = tavrin ] && [ "$threads" = 1 ] && threads_of "$sid" >"$out/threads0"
  [ "$kind" = tavrin ] && rss0=$(rss_kib "$sid")
  t0=$(now_ns); a0=$(usage_of $pids); s0=$(usage_of "$SERVER"); x0=$(usage_of "$XSERVER")
  sleep "$WINDOW"
  t1=$(now_ns); a1=$(usage_of $pids); s1=$(usage_of "$SERVER"); x1=$(usage_of "$XSERVER")
  if [ "$kind" = tavrin ] && [ "$threads" = 1 ]; then
    threads_of "$sid" >"$out/threads1"
    echo "$label, each thread: CPU % and switches a second"
    awk -v w="$(( (t1 - t0) / 1000000 ))" 'NR == FNR { c[$1] = $3; s[$1] = $4; next }
      ($1 in c) { printf "  %-7s %-18s %7.3f %7.1f\n", $1, $2, ($3 - c[$1]) / 1e4 / w, ($4 - s[$1]) * 1000 / w }' \
      "$out/threads0" "$out/threads1"
  fi
  [ "$kind" = tavrin ] && rss=$(rss_kib "$sid")
  # Tavrin ends as by its close (the file completed); the tools as by Ctrl+C.
  if [ "$kind" = tavrin ]; then kill -TERM "$sid" 2>/dev/null || true; else kill -INT -- "-$sid" 2>/dev/null || true; fi
  local j
  for j in $(seq 100); do kill -0 "$sid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL -- "-$sid" 2>/dev/null || true
  wait "$sid" 2>/dev/null || true
  forget "$sid"
  if [ "$kind" != idle ] && [ "${3:-}" != armed ]; then
    local size
    size=$( (du -skc "$out"/prog/rec "$out"/rec.* 2>/dev/null || true) | tail -1 | cut -f1)
    [ "$size" -gt 100 ] || { echo "$label: nothing was recorded ($size KiB)" >&2; cat "$out/stderr" >&2; exit 1; }
  fi
  rm -rf "$out"
  awk -v l="$label" -v t0="$t0" -v t1="$t1" -v a0="$a0" -v a1="$a1" -v s0="$s0" -v s1="$s1" -v x0="$x0" \
      -v x1="$x1" -v rss="$rss" -v rss0="$rss0" 'BEGIN {
    split(a0, A0, " "); split(a1, A1, " "); split(s0, S0, " "); split(s1, S1, " "); split(x0, X0, " "); split(x1, X1, " ")
    w = (t1 - t0) / 1e9
    printf "%s %.4f %.1f %.4f %.1f %.4f %d %d\n", l, (A1[1] - A0[1]) / 1e9 / w * 100, (A1[2] - A0[2]) / w,
           (S1[1] - S0[1]) / 1e9 / w * 100, (S1[2] - S0[2]) / w, (X1[1] - X0[1]) / 1e9 / w * 100, rss, rss - rss0
  }' >>"$RESULTS"
}

LAME_PIPE="parecord --raw --rate=44100 --channels=2 --format=s16le | lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -b 128 - @OUT@.mp3"
RECORDERS=(
  "idle|idle"
  "tavrin_mp3|tavrin mp3 shown"
  "tavrin_mp3_hidden|tavrin mp3 hidden"
  "tavrin_mp3_mix|tavrin mp3_mix shown"
  "tavrin_mp3_split|tavrin mp3_split shown"
  "tavrin_mp3_app|tavrin mp3_app shown"
  "tavrin_wav|tavrin wav shown"
  "tavrin_wav_hidden|tavrin wav hidden"
  "tavrin_wav_portaudio|tavrin wav shown portaudio"
  "tavrin_armed|tavrin armed shown"
  "tavrin_armed_hidden|tavrin armed hidden"
  "parecord_lame|tool $LAME_PIPE"
  "ffmpeg_lame|tool ffmpeg -nostdin -loglevel error -y -f pulse -sample_rate 44100 -channels 2 -i default -c:a libmp3lame -b:a 128k @OUT@.mp3"
  "arecord|tool arecord -q -D pulse -f cd -t wav @OUT@.wav"
  "parecord|tool parecord --rate=44100 --channels=2 --format=s16le --file-format=wav @OUT@.wav"
)

if [ -n "${TAVRIN_BENCH_ONLY:-}" ]; then
  chosen=()
  for entry in "${RECORDERS[@]}"; do
    case " idle $TAVRIN_BENCH_ONLY " in *" ${entry%%|*} "*) chosen+=("$entry") ;; esac
  done
  RECORDERS=("${chosen[@]}")
fi

if [ -n "${TAVRIN_BENCH_PROFILE:-}" ]; then
  profile_window "$TAVRIN_BENCH_PROFILE"
  exit 0
fi

echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Window ${WINDOW} s after ${WARMUP} s of warm-up, median of ${REPEATS} rounds; display $DISPLAY"
for round in $(seq "$REPEATS"); do
  for entry in "${RECORDERS[@]}"; do
    label=${entry%%|*}
    read -r -a spec <<<"${entry#*|}"
    if [ "${spec[0]}" = tool ]; then
      measure "$label" tool "${entry#*|tool }"
    else
      measure "$label" "${spec[@]}"
    fi
  done
  echo "(round $round done)"
done

# Median of column COLUMN (2..8) of LABEL's rounds.
median() {
  awk -v l="$1" -v c="$2" '$1 == l { print $c }' "$RESULTS" | sort -g |
    awk '{ a[NR] = $1 } END { if (NR == 0) print "nan"; else print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'
}
verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v <= g) ? "met" : "MISSED" }'; }

IDLE_SERVER=$(median idle 4)
echo
printf '%-20s %9s %9s %9s %12s %10s %8s %8s\n' recorder "CPU %" "switch/s" "server %" "server-idle %" "server sw/s" "X %" "RSS MiB"
for entry in "${RECORDERS[@]}"; do
  label=${entry%%|*}
  rss=$(median "$label" 7)
  printf '%-20s %9.3f %9.1f %9.3f %12.3f %10.1f %8.3f %8s\n' "$label" "$(median "$label" 2)" "$(median "$label" 3)" \
    "$(median "$label" 4)" "$(calc "$(median "$label" 4) - $IDLE_SERVER" 3)" "$(median "$label" 5)" "$(median "$label" 6)" \
    "$([ "$rss" != 0 ] && calc "$rss / 1024" 1 || echo -)"
done

has() { grep -q "^$1 " "$RESULTS"; }
if has tavrin_mp3 && has parecord_lame && has tavrin_wav && has tavrin_wav_hidden && has arecord; then
mp3_ratio=$(calc "$(median tavrin_mp3 2) / $(median parecord_lame 2)")
server_ratio=$(calc "($(median tavrin_mp3 4) - $IDLE_SERVER) / ($(median arecord 4) - $IDLE_SERVER)")
server_ratio_wav=$(calc "($(median tavrin_wav 4) - $IDLE_SERVER) / ($(median arecord 4) - $IDLE_SERVER)")
rss_mib=$(calc "$(median tavrin_mp3 7) / 1024" 1)
echo
echo "Tavrin MP3 shown / parecord|lame, CPU:            $mp3_ratio (goal <= 1.25: $(verdict "$mp3_ratio" 1.25))"
echo "Tavrin MP3 shown / ffmpeg -f pulse libmp3lame:     $(calc "$(median tavrin_mp3 2) / $(median ffmpeg_lame 2)")"
echo "Tavrin MP3 hidden / parecord|lame:                 $(calc "$(median tavrin_mp3_hidden 2) / $(median parecord_lame 2)")"
echo "Tavrin WAV shown, % of a core:                     $(median tavrin_wav 2) (goal <= 1.0: $(verdict "$(median tavrin_wav 2)" 1.0))"
echo "Tavrin WAV hidden, % of a core:                    $(median tavrin_wav_hidden 2) (goal <= 0.3: $(verdict "$(median tavrin_wav_hidden 2)" 0.3))"
echo "sound server for Tavrin MP3 / for arecord:         $server_ratio (goal <= 1.0: $(verdict "$server_ratio" 1.0))"
echo "sound server for Tavrin WAV / for arecord:         $server_ratio_wav"
echo "Tavrin MP3 context switches a second:              $(median tavrin_mp3 3) (goal < 60: $(verdict "$(median tavrin_mp3 3)" 59.99))"
echo "Tavrin MP3 resident memory while recording, MiB:   $rss_mib (goal <= 60: $(verdict "$rss_mib" 60))"
fi

if has tavrin_mp3; then
for two in mix split app; do
  has "tavrin_mp3_$two" || continue
  echo "Tavrin MP3 two inputs ($two) / one input, CPU:       $(calc "$(median "tavrin_mp3_$two" 2) / $(median tavrin_mp3 2)") (goal <= 1.3: $(verdict "$(calc "$(median "tavrin_mp3_$two" 2) / $(median tavrin_mp3 2)")" 1.3))"
  # The server's cost of the second stream: the row's above idle, less the one-input row's.
  first=$(calc "$(median tavrin_mp3 4) - $IDLE_SERVER" 4)
  second=$(calc "$(median "tavrin_mp3_$two" 4) - $(median tavrin_mp3 4)" 4)
  echo "  sound server above idle, % of a core: first stream $first, second stream $second (goal second <= first: $(verdict "$second" "$first"))"
done
fi

if has tavrin_wav && has tavrin_wav_portaudio && has parecord; then
echo "Tavrin WAV: sound-server backend / PortAudio road: program $(calc "$(median tavrin_wav 2) / $(median tavrin_wav_portaudio 2)"), server $(calc "($(median tavrin_wav 4) - $IDLE_SERVER) / ($(median tavrin_wav_portaudio 4) - $IDLE_SERVER)")"
echo "Tavrin WAV / parecord, program:                    $(calc "$(median tavrin_wav 2) / $(median parecord 2)")"
fi

if has tavrin_armed && has tavrin_armed_hidden; then
echo "Tavrin armed on sound, shown, % of a core:         $(median tavrin_armed 2) (goal <= 1.0: $(verdict "$(median tavrin_armed 2)" 1.0))"
echo "Tavrin armed on sound, hidden, % of a core:        $(median tavrin_armed_hidden 2) (goal <= 0.3: $(verdict "$(median tavrin_armed_hidden 2)" 0.3))"
has tavrin_wav_hidden && echo "Tavrin armed hidden / WAV recording hidden:        $(calc "$(median tavrin_armed_hidden 2) / $(median tavrin_wav_hidden 2)")"
echo "Tavrin armed, resident memory growth over the window, KiB: shown $(median tavrin_armed 8), hidden $(median tavrin_armed_hidden 8)"
fi

# --- start to the shown window ----------------------------------------------------------------------
make_program "$WORK/start" mp3
: >"$WORK/starts"
for _ in $(seq 10); do
  TAVRIN_START_NS=$(date +%s%N) TAVRIN_EXIT_AFTER_SHOW=1 "$WORK/start/tavrin" 2>/dev/null |
    sed -n 's/^shown_ms=//p' >>"$WORK/starts"
done
[ "$(wc -l <"$WORK/starts")" = 10 ] || { echo "the start-up runs printed no shown_ms" >&2; exit 1; }
shown=$(sort -g "$WORK/starts" | awk '{ a[NR] = $1 } END { printf "%.1f", (a[5] + a[6]) / 2 }')
echo "start to the shown window, median of 10, ms:       $shown (goal <= 150: $(verdict "$shown" 150))"
