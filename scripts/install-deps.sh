#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are not installed yet.
# Checks with dpkg first, so a machine that has everything runs no apt at all.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
missing=()
while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    status="$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)"
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done <"$here/packages.txt"
if ((${#missing[@]} == 0)); then
    exit 0
fi
echo "install-deps: installing ${missing[*]}"
sudo=""
if [[ "$(id -u)" != 0 ]]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
