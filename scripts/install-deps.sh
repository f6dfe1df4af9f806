#!/usr/bin/env bash
# Makes sure that the Debian packages a job needs are installed.
#
#   scripts/install-deps.sh demo   what the demo needs (native release build), and the MQTT
#                                  library (with OpenSSL's headers for its TLS), broker and clients
#                                  of zanhost bridge, and protobuf for its Sparkplug B payload
#   scripts/install-deps.sh test   what every test needs (native, Windows cross build, wine and a
#                                  virtual X display for the dialog, tshark for the wire check,
#                                  chromium for the poll report, fuzzing, openssl for the bridge's
#                                  test certificates, systemd-analyze for its unit file)
#
# As root, installs what is missing with apt-get. Otherwise prints exactly what is missing, with the
# command that installs it, and fails.
set -euo pipefail

job=${1:-test}
packages=(cmake ninja-build g++ libcli11-dev libbenchmark-dev
          libmosquitto-dev mosquitto mosquitto-clients libssl-dev
          libprotobuf-dev protobuf-compiler)
if [ "$job" = test ]; then
  packages+=(googletest libgtest-dev clang libclang-rt-14-dev
             g++-mingw-w64-i686 wine wine32:i386
             xvfb xauth x11-apps imagemagick tshark chromium openssl systemd)
fi

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

needs_i386=false
for package in "${missing[@]}"; do
  case $package in *:i386) needs_i386=true ;; esac
done

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages: ${missing[*]}" >&2
  echo "Install them as root with:" >&2
  if $needs_i386; then echo "  dpkg --add-architecture i386" >&2; fi
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
if $needs_i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# tshark's package asks whether ordinary users may capture: no (the wire check runs as root).
echo "wireshark-common wireshark-common/install-setuid boolean false" | debconf-set-selections
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
