#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for SECONDS (default 30). Crashing inputs land in
# build-fuzz/fuzz/crashes/<target>/ (the exit status is then 1); the corpus grows in
# build-fuzz/fuzz/corpus/<target>/. Once fixed, keep each crashing input under
# tests/data/fuzz/<target>/: tests/fuzz_regressions replays them in the test command.
#
#   ./fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
SECS=${1:-30}
shift || true
BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$FLAGS" -DCMAKE_CXX_FLAGS="$FLAGS" \
    -DTAVRIN_FUZZ=ON -DTAVRIN_TESTS=OFF -DTAVRIN_BENCH=OFF >/dev/null
fi
TARGETS=("$@")
if [ ${#TARGETS[@]} -eq 0 ]; then
  TARGETS=(fuzz_ini fuzz_tips fuzz_shortformattext fuzz_shortenpath fuzz_audiofile fuzz_audioinfo)
fi
cmake --build "$BUILD" --target "${TARGETS[@]}" -j2 >/dev/null

OUT="$BUILD/fuzz"
seed() {  # seed TARGET NAME < bytes
  mkdir -p "$OUT/corpus/$1"
  cat >"$OUT/corpus/$1/$2"
}
# Seeds: small real files of each kind, prefixed with the byte that picks their extension.
SEEDS=$(mktemp -d)
trap 'rm -rf "$SEEDS"' EXIT
sox -n -r 8000 -c 1 "$SEEDS/a.wav" synth 0.2 sine 440 2>/dev/null || true
sox -n -r 44100 -c 2 "$SEEDS/b.wav" synth 0.1 sine 440 2>/dev/null || true
lame --quiet -b 32 "$SEEDS/a.wav" "$SEEDS/a.mp3" 2>/dev/null || true
lame --quiet -b 32 --tt Title --ta Artist --ty 2001 --tn 3 "$SEEDS/a.wav" "$SEEDS/t.mp3" 2>/dev/null || true
ffmpeg -nostdin -loglevel error -y -i "$SEEDS/b.wav" -c:a wmav2 -b:a 64k "$SEEDS/a.wma" 2>/dev/null || true
ffmpeg -nostdin -loglevel error -y -i "$SEEDS/a.wav" -c:a libvorbis "$SEEDS/a.ogg" 2>/dev/null || true
for t in fuzz_audiofile fuzz_audioinfo; do
  [ -s "$SEEDS/a.mp3" ] && { printf '\x00'; cat "$SEEDS/a.mp3"; } | seed $t mp3
  [ -s "$SEEDS/t.mp3" ] && { printf '\x00'; cat "$SEEDS/t.mp3"; } | seed $t tagged_mp3
  [ -s "$SEEDS/a.wav" ] && { printf '\x01'; cat "$SEEDS/a.wav"; } | seed $t wav
  [ -s "$SEEDS/a.wma" ] && { printf '\x02'; cat "$SEEDS/a.wma"; } | seed $t wma
  [ -s "$SEEDS/a.ogg" ] && { printf '\x03'; cat "$SEEDS/a.ogg"; } | seed $t ogg
  [ -s "$SEEDS/a.wav" ] && { printf '\x06'; head -c 2000 "$SEEDS/a.wav" | tail -c 1000; } | seed $t vox
done
printf '[Settings]\r\nSavePath=/home/u/Recording/\r\nFormat=mp3\r\n\r\n[timelimit]\r\nlimit=60\r\n; comment\r\n' | seed fuzz_ini crlf
printf '[MP3]\nBitrate=128\nSampleRate=44100\n[tips]\nshowtip=1\ntipno=-3' | seed fuzz_ini plain
printf 'Первый совет.\n\n  \nSecond tip\r\nThird' | seed fuzz_tips tips
printf 'MPEG 1.0 layer-3: 44100 Hz, 128 kbps, Stereo' | seed fuzz_shortformattext mp3
printf 'WMA 44100 Hz, 128 kbps, Stereo' | seed fuzz_shortformattext wma
printf 'PCM: 44100 Hz, 16 bit, Mono' | seed fuzz_shortformattext pcm
printf '\x00\xc8/home/user/Музыка/Recording/very/long/folder/name/Untitled12.mp3' | seed fuzz_shortenpath path

status=0
for t in "${TARGETS[@]}"; do
  mkdir -p "$OUT/crashes/$t" "$OUT/corpus/$t"
  echo "== $t (${SECS} s)"
  if ! (cd "$OUT/crashes/$t" && ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen \
        "../../$t" -max_total_time="$SECS" -max_len=65536 -rss_limit_mb=2048 -timeout=20 \
        -print_final_stats=1 "../../corpus/$t" 2>&1 | grep -E "^(#[0-9]+.*DONE|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)" ); then
    :
  fi
  found=$(find "$OUT/crashes/$t" -type f \( -name 'crash-*' -o -name 'timeout-*' -o -name 'leak-*' -o -name 'oom-*' \))
  if [ -n "$found" ]; then
    echo "   crashing inputs (keep each under tests/data/fuzz/$t/ once fixed):" $found
    status=1
  fi
done
exit $status
