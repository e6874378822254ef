# Shared by the shell benchmarks: sourced, not run.
seconds() { /usr/bin/time -f "%e" "$@" 2>&1 >/dev/null | tail -n 1; }
median() { tr ' ' '\n' | sort -n | awk 'NF {a[++n]=$1} END {print a[int((n+1)/2)]}'; }

# Times the commands that `command_of I` puts in cmd (I = 0 .. COUNT-1) after
# one warm-up run each, alternating them for $runs rounds so that a change of
# load falls on all alike; prints each one's median and its ratio to the
# first's. The runs stay in times[], the first's median in base.
#   time_alternated COUNT WIDTH "RATIO LABEL"
time_alternated() {
  local count=$1 width=$2 label=$3 i m
  for ((i = 0; i < count; i++)); do command_of "$i"; "${cmd[@]}" >/dev/null 2>&1; done
  times=()
  for ((i = 0; i < count; i++)); do times[i]=""; done
  for _ in $(seq "$runs"); do
    for ((i = 0; i < count; i++)); do
      command_of "$i"
      times[i]+=" $(seconds "${cmd[@]}")"
    done
  done
  base=$(echo "${times[0]}" | median)
  for ((i = 0; i < count; i++)); do
    m=$(echo "${times[i]}" | median)
    printf "%-${width}s %6s s  %5s x %s   (runs:%s)\n" "${names[i]}" "$m" \
      "$(awk -v a="$m" -v b="$base" 'BEGIN { printf "%.2f", a / b }')" "$label" "${times[i]}"
  done
}
