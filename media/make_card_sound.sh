#!/bin/bash
# Builds carta.wav, the sound of a card being turned over on the table.
#
# A card flip is not one noise but a handful of short events, so the sound is
# built from layers of filtered noise, each placed at its own moment:
#   flick   - a crisp, bright 12 ms burst at the start: the edge of the card
#             snapping off the table
#   flutter - five tiny grains of papery noise, irregularly spaced and getting
#             quieter, in slightly different bands: the card turning in the air
#   body    - a soft band of noise under the flutter that dies away quickly,
#             so the grains hang together as one movement
#   tap     - a short, duller knock at 0.16 s: the card landing face up
# Each layer is band-limited; the mix is normalised to -3 dBFS and faded in
# and out so it starts and ends at silence without a click. Length: 0.3 s,
# 44.1 kHz, mono, 16-bit PCM.
#
# Needs sox (apt-get install sox). -R makes the noise generator repeatable, so
# the output is byte-for-byte the same on every run.
#
# Usage: bash media/make_card_sound.sh [output.wav]   (default: media/carta.wav)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="${1:-$here/carta.wav}"
rate=44100
length=0.3

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# gen FILE EFFECTS... : a float mono layer made from nothing.
gen() { local f="$1"; shift; sox -R -n -r "$rate" -b 32 -e floating-point -c 1 "$f" "$@"; }

# grain FILE START DURATION CENTRE_HZ GAIN : one short burst of band noise.
grain() {
    gen "$1" synth "$3" whitenoise vol 0.25 \
        highpass 1400 lowpass 9000 bandpass "$4" 0.7q \
        fade h 0.0015 "$3" "$(awk "BEGIN { print $3 - 0.0015 }")" \
        vol "$5" pad "$2"
}

# Flick: bright, 1 ms attack, quick decay.
gen "$work/flick.wav" synth 0.012 whitenoise vol 0.25 \
    highpass 1800 lowpass 10000 fade h 0.001 0.012 0.0105 vol 1.0

# Flutter grains: start, length, centre, gain.
grain "$work/g1.wav" 0.018 0.009 4200 0.80
grain "$work/g2.wav" 0.041 0.007 3300 0.62
grain "$work/g3.wav" 0.058 0.010 4800 0.50
grain "$work/g4.wav" 0.086 0.006 3000 0.36
grain "$work/g5.wav" 0.112 0.008 3900 0.26

# Body: a softer papery band under the flutter, falling away logarithmically.
gen "$work/body.wav" synth 0.19 whitenoise vol 0.25 \
    highpass 1600 lowpass 6500 tremolo 61 45 fade l 0.006 0.19 0.18 vol 0.9 pad 0.008

# Tap: a darker knock of the card settling on the felt.
gen "$work/tap.wav" synth 0.028 pinknoise vol 0.3 \
    highpass 280 lowpass 2000 fade h 0.002 0.028 0.025 vol 0.75 pad 0.16

# A silent bed that fixes the total length.
gen "$work/bed.wav" trim 0 "$length"

# Mix (-v 1 on each input so the layer gains above are the real balance),
# trim to length, normalise to -3 dBFS, fade both ends.
mix=()
for f in bed flick g1 g2 g3 g4 g5 body tap; do mix+=(-v 1 "$work/$f.wav"); done
sox -R -m "${mix[@]}" -b 32 -e floating-point "$work/mix.wav" trim 0 "$length" norm -6
sox -R "$work/mix.wav" -r "$rate" -b 16 -e signed-integer -c 1 "$out" \
    fade q 0.002 "$length" 0.08 norm -3

echo "wrote $out"
sox "$out" -n stat 2>&1 | grep -E "Length|Maximum amplitude|Minimum amplitude|RMS +amplitude"
