#!/usr/bin/env bash
# Kills a 100-file rename into its own folder with SIGKILL at a random moment, again and again,
# and checks after every kill that each file is an original or a complete copy and that no
# temporary file is left. Not part of `make test`: it takes a while and its moments are random.
#
# usage: tests/scripts/kill9_rename.sh [BUILD_DIR] [RUNS]   (defaults: build 30)
# The folders are made under $TMPDIR (default /tmp); point it at another file system to try that.
set -euo pipefail

build=${1:-build}
runs=${2:-30}
cli="$build/src/quillomark-cli"
[[ -x $cli ]] || { echo "kill9_rename: no $cli; run make build first" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quillo-kill9-XXXXXX")
trap 'rm -rf "$work"' EXIT

# 100 originals of 1 KiB to 1 MiB, made once.
mkdir "$work/originals"
for i in $(seq -w 1 100); do
  head -c $(((RANDOM % 1024 + 1) * 1024)) /dev/urandom >"$work/originals/IMG_$i.jpg"
done
(cd "$work/originals" && sha256sum IMG_*.jpg) >"$work/originals.sum"
mapfile -t originals < <(cd "$work/originals" && ls IMG_*.jpg)

fresh_folder() {
  rm -rf "$work/run"
  cp -r --reflink=never "$work/originals" "$work/run"
}

rename_run() {
  exec "$cli" rename --source "$work/run" --dest "$work/run" --prefix Copy_ 2>/dev/null
}

# One whole run, to spread the kills over its length.
fresh_folder
start=$(date +%s%N)
rename_run &
wait $!
full_ns=$(($(date +%s%N) - start))

failures=0
copies_checked=0
complete_runs=0
fail() {
  echo "run $run: $*" >&2
  failures=$((failures + 1))
}

for run in $(seq 1 "$runs"); do
  fresh_folder
  delay=$(awk -v ns="$full_ns" -v r="$RANDOM" 'BEGIN { printf "%.4f", ns * (r / 32767) / 1e9 }')
  rename_run &
  pid=$!
  sleep "$delay"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true

  (cd "$work/run" && sha256sum --quiet -c "$work/originals.sum") || fail "an original changed"
  copies=0
  for entry in "$work/run"/* "$work/run"/.[!.]*; do
    [[ -e $entry || -L $entry ]] || continue
    name=${entry##*/}
    case $name in
      IMG_???.jpg) ;;
      Copy_????.jpg)
        index=$((10#${name:5:4}))
        if ((index < 1 || index > 100)); then
          fail "unexpected copy $name"
        elif ! cmp -s "$entry" "$work/originals/${originals[index - 1]}"; then
          fail "$name is not a complete copy of ${originals[index - 1]}"
        fi
        copies=$((copies + 1))
        ;;
      *) fail "left behind: $name" ;;
    esac
  done
  copies_checked=$((copies_checked + copies))
  ((copies == 100)) && complete_runs=$((complete_runs + 1))
  echo "run $run: killed after ${delay}s, $copies copies"
done

echo "kill9_rename: $runs runs (a whole run takes $((full_ns / 1000000)) ms), $complete_runs finished before the kill, $copies_checked copies checked, $failures failures"
((failures == 0))
