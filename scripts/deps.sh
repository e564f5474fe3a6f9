#!/usr/bin/env bash
# Installs what Norvik needs on Debian 12, skipping what is already there (and saying nothing
# then). With arguments, installs those packages instead (scripts/build-windows.sh names the
# Windows tool chain this way; an architecture may be given, as in wine32:i386).
#
# The registry may be in the middle of a mirror sync: `apt-get update` is tried again with
# growing waits (about three minutes in all). If some index files still fail, the install goes
# on with the lists that did arrive (an amd64 package does not need the i386 index). An install
# that fails ends with one line naming the packages and apt's reason, and exit code 1.
#
# NORVIK_APT_WAITS overrides the waits between the tries, in seconds ("10 30 60 90").
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config python3 qt6-base-dev libgl-dev libgtest-dev
          libgmock-dev libcli11-dev libgcrypt20-dev zlib1g-dev fonts-noto-cjk qt6-translations-l10n xvfb xauth util-linux clang-format clang-tidy)
if (($#)); then packages=("$@"); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
((${#missing[@]})) || exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# Another apt run (a second build, an automatic update) holds the lock for a while: wait for it.
apt_options=(-o DPkg::Lock::Timeout=900 -o Acquire::Retries=2)
log="$(mktemp "${TMPDIR:-/tmp}/norvik-deps.XXXXXX.log")"

# One update per machine and architecture set is enough for a while: a second call (the Windows
# tool chain after the Linux packages) does not wait through the retries again.
stamp="${TMPDIR:-/tmp}/norvik-apt-update.stamp"
architectures="$(dpkg --print-architecture) $(dpkg --print-foreign-architectures | tr '\n' ' ')"
fresh() {
  [ -f "$stamp" ] && [ "$(head -n1 "$stamp")" = "$architectures" ] &&
    [ -n "$(find "$stamp" -mmin -60 2>/dev/null)" ]
}

# The index files apt could not fetch, one per line, from an update's output.
failed_indexes() {
  sed -n 's/^E: Failed to fetch \([^ ]*\) *\(.*\)$/\1: \2/p; s/^W: Failed to fetch \([^ ]*\) *\(.*\)$/\1: \2/p' "$1"
}

update_failures=""
if fresh; then
  update_failures="$(sed -n 2p "$stamp")"
else
  read -r -a waits <<<"${NORVIK_APT_WAITS:-10 30 60 90}"
  try=0
  for wait in "${waits[@]}" last; do
    try=$((try + 1))
    if $sudo apt-get "${apt_options[@]}" update -qq >"$log" 2>&1 && ! grep -q '^[WE]: Failed to fetch' "$log"; then
      update_failures=""
      break
    fi
    update_failures="$(failed_indexes "$log" | head -3 | tr '\n' ';' | sed 's/;$//')"
    [ -n "$update_failures" ] || update_failures="$(grep -m1 '^E:' "$log" || tail -n1 "$log")"
    [ "$wait" = last ] && break
    echo "deps.sh: apt-get update (try $try) failed: $update_failures; trying again in ${wait}s"
    sleep "$wait"
  done
  if [ -n "$update_failures" ]; then
    echo "deps.sh: apt-get update still fails after $try tries: $update_failures; installing from the lists that arrived"
  fi
  printf '%s\n%s\n' "$architectures" "$update_failures" >"$stamp"
fi

if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get "${apt_options[@]}" install -y -q \
       --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
  # apt's reason: the first "E:" line, with the first unmet dependency when it names one.
  reason="$(grep -m1 '^E:' "$log" || tail -n1 "$log")"
  unmet="$(grep -m1 -E 'Depends: .* but (it is not going to be installed|is to be installed)|has no installation candidate|Unable to locate package' "$log" | sed 's/^ *//' || true)"
  [ -z "$unmet" ] || [[ "$reason" == *"$unmet"* ]] || reason="$reason ($unmet)"
  [ -z "$update_failures" ] || reason="$reason; apt-get update could not fetch $update_failures"
  echo "deps.sh: cannot install ${missing[*]}: $reason (apt's output: $log)" >&2
  exit 1
fi
rm -f "$log"
echo "Installed: ${missing[*]}"
