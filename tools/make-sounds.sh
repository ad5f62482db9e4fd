#!/usr/bin/env bash
# Synthesises the game's four sound effects and encodes them as small mono mp3 files in resources/.
# Needs sox and lame (tools/install-deps.sh installs both).
set -euo pipefail
out=${1:-"$(dirname "$0")/../resources"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rate=22050

# A short falling zap with a noise crack at its start.
sox -n -r $rate -c 1 "$work/tone.wav" synth 0.18 sine 1400-300 fade 0 0.18 0.12
sox -n -r $rate -c 1 "$work/crack.wav" synth 0.05 whitenoise fade 0 0.05 0.04 vol 0.5
sox -m "$work/tone.wav" "$work/crack.wav" "$work/gun1.wav" norm -3

# Low rumbling noise that dies away.
sox -n -r $rate -c 1 "$work/explosion1.wav" synth 0.9 brownnoise lowpass 600 fade 0.01 0.9 0.75 norm -2

# A dull thud: a falling low tone with a little noise.
sox -n -r $rate -c 1 "$work/thud.wav" synth 0.35 sine 180-60 fade 0 0.35 0.3
sox -n -r $rate -c 1 "$work/knock.wav" synth 0.35 pinknoise lowpass 900 fade 0 0.35 0.33 vol 0.4
sox -m "$work/thud.wav" "$work/knock.wav" "$work/paddlehit.wav" norm -3

# Clapping: bursts of filtered noise with a tremolo, swelling in and fading out.
sox -n -r $rate -c 1 "$work/applause.wav" synth 2.5 pinknoise highpass 700 tremolo 11 90 \
    fade 0.3 2.5 1.0 norm -4

for name in gun1 explosion1 paddlehit applause; do
    lame --quiet -m m -b 32 "$work/$name.wav" "$out/$name.mp3"
done
ls -l "$out"/{gun1,explosion1,paddlehit,applause}.mp3
