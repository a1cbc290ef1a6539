#!/bin/sh
# Whole-process times of `vortane render` on the 1920 x 1080 8-bit PNG cel
# frame, two builds of the tool alternated in one run: with no group enabled
# (file input and output only) and with the demo's four groups.
#   bench/cli_io.sh BEFORE_VORTANE AFTER_VORTANE [RUNS]   (default 5 runs)
# Prints the median wall and CPU seconds of each, their ratios, the output
# sizes, and whether the two builds wrote the same pixels (compared as TIFF
# written by the first build).
set -eu
before=$1 after=$2 runs=${3:-5}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

off='--set=1 : Enable Color Group=off'
"$before" demo -q "$off" --set="2 : Enable Color Group=off" --set="3 : Enable Color Group=off" \
  --set="4 : Enable Color Group=off" "$dir/cel.png"

# Wall and CPU (user + system) seconds of a command: the machine may be busy
# with other work, which the CPU time does not count.
timed() {
  python3 -c '
import resource, subprocess, sys, time
def cpu():
    use = resource.getrusage(resource.RUSAGE_CHILDREN)
    return use.ru_utime + use.ru_stime
cpu0, start = cpu(), time.perf_counter()
subprocess.run(sys.argv[1:], check=True)
wall = time.perf_counter() - start
print("%.4f %.4f" % (wall, cpu() - cpu0))' "$@"
}

# The demo's groups: the frame's colours and centres.
groups() {
  timed "$1" render -q \
    --set="1 : Color B=246,172,52" --set="1 : Color A=252,214,120" --set="1 : Blur Center=430,250" \
    --set="1 : Blur Amount=90" --set="1 : Range=8" \
    --set="2 : Enable Color Group=on" --set="2 : Color B=72,112,168" --set="2 : Color A=236,240,248" \
    --set="2 : Blur Center=560,380" --set="2 : Blur Amount=45" --set="2 : Range=8" \
    --set="3 : Enable Color Group=on" --set="3 : Color B=196,58,92" --set="3 : Color A=142,30,62" \
    --set="3 : Blur Center=1420,560" --set="3 : Blur Amount=60" --set="3 : Range=8" \
    --set="4 : Enable Color Group=on" --set="4 : Color B=64,150,74" --set="4 : Color A=38,108,50" \
    --set="4 : Blur Center=960,700" --set="4 : Blur Amount=35" --set="4 : Range=8" \
    "$dir/cel.png" "$2"
}
nogroups() { timed "$1" render -q "$off" "$dir/cel.png" "$2"; }

median() { awk -v c="$1" '{print $c}' | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

for case in nogroups groups; do
  : >"$dir/$case.before" && : >"$dir/$case.after"
  i=0
  while [ "$i" -lt "$runs" ]; do
    "$case" "$before" "$dir/$case-before.png" >>"$dir/$case.before"
    "$case" "$after" "$dir/$case-after.png" >>"$dir/$case.after"
    i=$((i + 1))
  done
  sb=$(stat -c %s "$dir/$case-before.png") sa=$(stat -c %s "$dir/$case-after.png")
  "$before" render -q "$off" "$dir/$case-before.png" "$dir/$case-before.tif"
  "$before" render -q "$off" "$dir/$case-after.png" "$dir/$case-after.tif"
  same=$(cmp -s "$dir/$case-before.tif" "$dir/$case-after.tif" && echo same || echo DIFFERENT)
  for column in 1 2; do
    b=$(median $column <"$dir/$case.before") a=$(median $column <"$dir/$case.after")
    printf '%-9s %-4s before %s s  after %s s  ratio %s\n' "$case" "$([ $column = 1 ] && echo wall || echo cpu)" \
      "$b" "$a" "$(awk -v b="$b" -v a="$a" 'BEGIN {printf "%.2f", b / a}')"
  done
  printf '          sizes %s -> %s bytes, pixels %s\n' "$sb" "$sa" "$same"
done
printf 'input %s bytes\n' "$(stat -c %s "$dir/cel.png")"
