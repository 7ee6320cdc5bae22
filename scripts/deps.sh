#!/usr/bin/env bash
# Installs the Debian packages Vigiltide needs to build, run and test, but only
# those that are missing, so a second run is quick.
set -euo pipefail

packages=(
  g++ cmake ninja-build
  qt6-base-dev qt6-speech-dev qt6-declarative-dev qt6-multimedia-dev
  qt6-speech-speechd-plugin qt6-speech-flite-plugin
  speech-dispatcher speech-dispatcher-espeak-ng
  pulseaudio pulseaudio-utils sox dbus-daemon
  desktop-file-utils appstream dpkg-dev file
  xvfb
  openbox x11-utils xdotool wmctrl libxcb1-dev systemd
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
