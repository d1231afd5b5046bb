#!/usr/bin/env bash
# The Linux and the Windows build write the same bytes. Each build's bench loads and saves the
# same books ("Laden" writes FILE_Formatiert.xml, "Speichern" FILE_NEU.xml): a generated book of
# 20,000 contacts, the sample books beside the checkout and in tests/data, and every file of the
# W3C XML suite. Every output file must be byte-identical, and one build's missing output must
# be missing in the other's too.
#
# usage: same_bytes.sh LINUX_BENCH WINDOWS_BENCH XMLCONF_FOLDER WORK_FOLDER
set -euo pipefail
linux_bench=$(realpath "$1")
windows_bench=$(realpath "$2")
xmlconf=$3
work=$4
root=$(cd "$(dirname "$0")/../.." && pwd)

rm -rf "$work"
mkdir -p "$work/input/samples" "$work/input/xmlconf"
"$linux_bench" generate 20000 "$work/input/generated-20000.xml"
for folder in "$root/../shared/samples" "$root/tests/data/samples"; do
  if [ -d "$folder" ]; then
    mkdir -p "$work/input/samples/$(basename "$(dirname "$folder")")"
    cp -r "$folder/." "$work/input/samples/$(basename "$(dirname "$folder")")/"
  fi
done
(cd "$xmlconf" && find . -type f -name '*.xml' -print0 | xargs -0 cp --parents -t "$work/input/xmlconf")
cp -r "$work/input" "$work/linux"
cp -r "$work/input" "$work/windows"

# One process takes many files; the Windows command line holds at most 32,767 characters.
run_all() {
  local folder=$1
  shift
  (cd "$folder" && find . -type f -name '*.xml' -print0 | xargs -0 -s 30000 "$@" save >"../$(basename "$folder").log" 2>&1) || true
}
# A Windows bench that does not end after its operation would stop the whole comparison: it is
# tried on one small book first, and the comparison reported as not run (exit status 77).
probe="$work/probe"
mkdir -p "$probe"
cp "$root/tests/data/samples/$(ls "$root/tests/data/samples" | grep -m1 '\.xml$')" "$probe/"
if ! (cd "$probe" && timeout 120 "$root/scripts/lib/wine-run" "$windows_bench" save ./*.xml >/dev/null 2>&1); then
  echo "NOT RUN: rufkartei-bench.exe did not finish one small book within 120 s; the outputs were not compared."
  exit 77
fi
rm -rf "$probe"
run_all "$work/linux" "$linux_bench"
run_all "$work/windows" timeout 1800 "$root/scripts/lib/wine-run" "$windows_bench"

outputs=$(cd "$work/linux" && find . -type f \( -name '*_Formatiert.xml' -o -name '*_NEU.xml' \) | wc -l)
inputs=$(cd "$work/input" && find . -type f -name '*.xml' | wc -l)
if ! diff -r -q "$work/linux" "$work/windows"; then
  echo "The Windows build's output differs from the Linux build's (above); logs in $work."
  exit 1
fi
if [ "$outputs" -lt "$inputs" ]; then
  echo "Only $outputs output files for $inputs books: the builds did not run; logs in $work."
  exit 1
fi
echo "Same bytes from both builds: $outputs output files of $inputs books."
