#!/bin/sh
# Times whole `vortane render` processes, PNG reading and writing included, on
# the 1920 x 1080 cel frame whose four colour groups cover the whole frame:
# no group (the file I/O alone), the default settings and heavy ones (Blur
# Amount 100, Softness 50), each with --threads 1 and 2; the median of RUNS
# runs and the 1- to 2-thread ratio. With PEAK=1 it also reports the peak
# memory of a float 3840 x 2160 render at Blur Amount 20.
#
#   bench/render-threads.sh [path/to/vortane ...]   (default build/linux/cli/vortane)
#
# Several binaries are measured side by side, alternating run by run.
set -eu

RUNS=${RUNS:-5}
[ $# -gt 0 ] || set -- build/linux/cli/vortane
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The input: the built-in cel frame with every group switched off.
off=""
for g in 1 2 3 4; do off="$off --set '$g : Enable Color Group=off'"; done
eval "\"$1\" demo -q \"$work/in.png\" $off"

# The scene's colours and centres (as the demo sets them) and Range 25, which
# takes the antialiased edges in, so that the groups cover the whole frame;
# registered defaults otherwise.
scene=""
group() { # group colorB colorA x y (centre at 1920 x 1080); SCALE multiplies the centre
  scene="$scene --set '$1 : Enable Color Group=on' --set '$1 : Range=25'"
  scene="$scene --set '$1 : Color B=$2' --set '$1 : Color A=$3' --set '$1 : Blur Center=$(($4 * SCALE)),$(($5 * SCALE))'"
}
scenes() {
  scene=""
  group 1 '#f6ac34' '#fcd678' 430 250
  group 2 '#4870a8' '#ecf0f8' 560 380
  group 3 '#c43a5c' '#8e1e3e' 1420 560
  group 4 '#40964a' '#266c32' 960 700
}
SCALE=1 scenes
heavy=""
for g in 1 2 3 4; do heavy="$heavy --set '$g : Blur Amount=100' --set '$g : Softness=50'"; done

# seconds of one run
run() { # binary threads settings...
  bin=$1 threads=$2
  shift 2
  start=$(date +%s.%N)
  eval "\"$bin\" render -q --threads $threads \"$work/in.png\" \"$work/out.png\" $*"
  end=$(date +%s.%N)
  echo "$start $end" | awk '{ printf "%.3f\n", $2 - $1 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "vortane render, 1920 x 1080 8-bit cel frame, median of $RUNS runs (s); $(nproc) processors"
for case in none default heavy; do
  case $case in
  none) settings="$off" ;;
  default) settings="$scene" ;;
  heavy) settings="$scene $heavy" ;;
  esac
  for threads in 1 2; do
    for bin in "$@"; do : >"$work/t.$case.$threads.$(echo "$bin" | md5sum | cut -c1-8)"; done
  done
  i=0
  while [ $i -lt "$RUNS" ]; do
    for threads in 1 2; do
      for bin in "$@"; do
        run "$bin" $threads "$settings" >>"$work/t.$case.$threads.$(echo "$bin" | md5sum | cut -c1-8)"
      done
    done
    i=$((i + 1))
  done
  for bin in "$@"; do
    key=$(echo "$bin" | md5sum | cut -c1-8)
    one=$(median <"$work/t.$case.1.$key")
    two=$(median <"$work/t.$case.2.$key")
    printf '%-8s 1 thread %6.3f  2 threads %6.3f  ratio %5.2f  %s\n' "$case" "$one" "$two" \
      "$(echo "$one $two" | awk '{ printf "%.2f", $1 / $2 }')" "$bin"
  done
done

if [ "${PEAK:-0}" = 1 ]; then
  ffmpeg -loglevel error -y -i "$work/in.png" -vf scale=3840:2160:flags=neighbor "$work/in4k.png"
  SCALE=2 scenes
  blur=""
  for g in 1 2 3 4; do blur="$blur --set '$g : Blur Amount=20'"; done
  for bin in "$@"; do
    eval "/usr/bin/time -f '%M' -o \"$work/peak\" \"$bin\" render -q --depth 32 \"$work/in4k.png\" \"$work/out4k.exr\" $scene $blur"
    printf 'float 3840 x 2160, Blur Amount 20: peak %d MB  %s\n' $(($(cat "$work/peak") / 1024)) "$bin"
  done
fi
