#!/usr/bin/env bash
# Fuzzes the readers of untrusted input with libFuzzer, AddressSanitizer and UBSan:
#   scripts/fuzz.sh [target] [seconds]
# target is a harness name (SettingsTextFuzz, RegistryFileFuzz ...; fuzz/<layer>/<target>.cpp),
# "all" or left out for each in turn; seconds per target, 60 by default. Each runs on a copy
# of its seed corpus fuzz/corpus/<target>/ in build/fuzz/corpus/<target>/, which keeps what
# earlier runs found; failing inputs land in build/fuzz/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:-all}
seconds=${2:-60}

scripts/install-deps.sh
if ! dpkg-query -W -f='${Status}' clang 2>/dev/null | grep -q "install ok installed"; then
  echo "Installing: clang"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends clang
fi

if [[ $target == all ]]; then
  targets=()
  for harness in fuzz/*/*Fuzz.cpp; do targets+=("$(basename "$harness" .cpp)"); done
else
  targets=("$target")
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

failed=()
for name in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$name
  artifacts=build/fuzz/artifacts/$name
  mkdir -p "$corpus" "$artifacts"
  cp fuzz/corpus/"$name"/* "$corpus"/
  echo "== $name: $seconds s"
  # One fuzzer at a time: the machine's cores are shared.
  build/fuzz/fuzz/"$name" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts"/ || failed+=("$name")
done
if ((${#failed[@]})); then
  echo "Failed: ${failed[*]} (inputs in build/fuzz/artifacts/)" >&2
  exit 1
fi
