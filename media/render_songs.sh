#!/bin/bash
# Renders every song in media/music/ to a WAV file with fluidsynth and the
# soundfont the game plays them with, and prints peak and RMS levels, so the
# mix can be checked by eye: no clipping, and all songs about equally loud.
#
# Needs fluidsynth and sox (apt-get install fluidsynth sox).
#
# Usage: bash media/render_songs.sh [out_dir] [soundfont]
#        (defaults: a temporary folder, /usr/share/sounds/sf2/TimGM6mb.sf2)
# Set PICTURES=1 to also draw each song as a frequency-over-time PNG beside its WAV.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="${1:-$(mktemp -d)}"
sf2="${2:-/usr/share/sounds/sf2/TimGM6mb.sf2}"
mkdir -p "$out"

printf "%-10s %8s %8s %9s %9s\n" song seconds peak "peak dB" "RMS dB"
for mid in "$here"/music/*.mid; do
    name="$(basename "$mid" .mid)"
    wav="$out/$name.wav"
    fluidsynth -ni -q -F "$wav" -r 44100 "$sf2" "$mid" > "$out/$name.log" 2>&1
    # The renderer keeps running a few seconds after the song's end; measure
    # the music only, without that silent tail.
    stats="$(sox "$wav" -n reverse silence 1 0.05 -70d reverse stat 2>&1)"
    len="$(awk '/^Length/ {print $3}' <<< "$stats")"
    max="$(awk '/^Maximum amplitude/ {print $3}' <<< "$stats")"
    min="$(awk '/^Minimum amplitude/ {print $3}' <<< "$stats")"
    rms="$(awk '/^RMS +amplitude/ {print $3}' <<< "$stats")"
    awk -v n="$name" -v l="$len" -v a="$max" -v b="$min" -v r="$rms" 'BEGIN {
        p = (a > -b) ? a : -b
        printf "%-10s %8.1f %8.4f %9.1f %9.1f\n", n, l, p, 20 * log(p) / log(10), 20 * log(r) / log(10)
    }'
    if [ "${PICTURES:-0}" = 1 ]; then
        sox "$wav" -n remix - spectrogram -x 1200 -y 400 -t "$name" -o "$out/$name.png"
    fi
done
echo "rendered into $out"
