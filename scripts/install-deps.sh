#!/usr/bin/env bash
# Installs the Debian packages the host build needs, only when some are missing.
set -euo pipefail

packages=(
	build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
	libimath-dev libembree-dev libassimp-dev
	googletest libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev rapidjson-dev libcairo2-dev fonts-dejavu-core
)

missing=()
for package in "${packages[@]}"; do
	if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
		missing+=("$package")
	fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
	sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
