#!/usr/bin/env bash
# Installs what building and testing Korvane needs on Debian 12, as root.
# Packages already present are left alone, so a second run costs nothing.
set -euo pipefail

packages=(g++ cmake make pkg-config doxygen libicu-dev libgtest-dev libgmock-dev libbenchmark-dev clang-format qt6-base-dev libgl-dev libxcb1-dev qt6-tools-dev designer-qt6 libqt6opengl6-dev xvfb xauth xdotool fonts-dejavu-core dbus at-spi2-core python3-pyatspi nlohmann-json3-dev liblua5.4-dev clang libclang-rt-14-dev
  qt6-declarative-dev qt6-declarative-dev-tools qml6-module-qtqml qml6-module-qtqml-workerscript qml6-module-qtquick
  qml6-module-qtquick-controls qml6-module-qtquick-templates qml6-module-qtquick-layouts qml6-module-qtquick-window qml6-module-qttest qml-qt6)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
