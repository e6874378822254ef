#!/usr/bin/env bash
# Makes `apt-get source` work: adds deb-src lines for the archive and suite this
# machine already uses, when no source index is known yet.
set -euo pipefail
if apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
  exit 0
fi
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
src_list=/etc/apt/sources.list.d/kestrove-src.sources
uris=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
: "${uris:=http://deb.debian.org/debian}"
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
  "$uris" "$codename" | "${as_root[@]}" tee "$src_list" >/dev/null
"${as_root[@]}" apt-get update -q
