#!/usr/bin/env bash
# The build installed with "cmake --install" into a temporary folder and tried there as an
# installed Corvane is (packaging/check-install).
#   install_tree.sh CMAKE BUILD_FOLDER VERSION
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$1" --install "$2" --prefix "$prefix" >/dev/null
bash "$(dirname "$0")/../../packaging/check-install" "$prefix" "$3"
