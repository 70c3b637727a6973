#!/usr/bin/env bash
# Builds the file readers' fuzz targets with clang into build-fuzz/ and runs each for a few
# seconds, seeded from the shipped files, in a scratch corpus. FUZZ_SECONDS sets the time per
# target (default 5). A crash, sanitizer report, leak or blow-up fails the run and keeps the
# input in build-fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then
    # The level readers build a World, which needs an OpenGL context.
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$PWD/scripts/fuzz.sh" "$@"
fi
seconds="${FUZZ_SECONDS:-5}"
dir=build-fuzz
scripts/setup.sh
cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DMORVELAN_FUZZ=ON -DMORVELAN_TESTS=OFF -DMORVELAN_WERROR=ON >/dev/null
cmake --build "$dir" -j"$(nproc)" --target fuzzers >/dev/null

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
seed() {
    local target="$1"
    shift
    mkdir -p "$scratch/$target/seeds" "$scratch/$target/corpus"
    cp "$@" "$scratch/$target/seeds/"
}
seed map_fuzz data/world00 data/world01
seed objects_fuzz data/objects0*
seed picture_fuzz graphics/*.tga
seed sound_fuzz audio/*.wav
# The start of the launch sound: whole MP3 frames enough for the decoder, small enough to mutate.
head -c 16384 audio/velquist_nebrilo.mp3 >"$scratch/sound_fuzz/seeds/launch.mp3"
mkdir -p "$scratch/progress_fuzz/seeds" "$scratch/progress_fuzz/corpus"
# Mission 1: 3 students, 100 credits; the rest zero.
{ head -c 8 /dev/zero; printf '\003\0\0\0d\0\0\0'; head -c 24 /dev/zero; } \
    >"$scratch/progress_fuzz/seeds/savegame"

mkdir -p "$dir/crashes"
failed=0
for target in map_fuzz objects_fuzz picture_fuzz progress_fuzz sound_fuzz; do
    log="$scratch/$target.log"
    # New inputs go to the scratch corpus (the first folder), never into the seeds or the repo.
    # No reader needs more than a few hundred MB: one that believes a forged size shows as a crash.
    if "$dir/tests/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -malloc_limit_mb=512 -artifact_prefix="$dir/crashes/$target-" \
        "$scratch/$target/corpus" "$scratch/$target/seeds" >"$log" 2>&1; then
        echo "fuzz $target: $(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -1)s"
    else
        tail -n 60 "$log"
        echo "fuzz $target: FAILED (input kept in $dir/crashes/)"
        failed=1
    fi
done
exit "$failed"
