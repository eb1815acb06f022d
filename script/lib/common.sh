# Shared by script/run and script/test: installs what the build needs from
# Debian's packages (only what is missing), then configures and builds.
# Source this file; it defines functions only.

ledgerfen_root() { cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd; }

# Packages the build, the tests and the program need.
LEDGERFEN_PACKAGES=(
  build-essential cmake clang libclang-rt-dev pkg-config
  libgtest-dev libssl-dev
)

install_missing_packages() {
  local missing=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=()
  if [ "$(id -u)" != 0 ]; then
    command -v sudo >/dev/null || { echo "Please install as root: apt-get install ${missing[*]}" >&2; return 1; }
    sudo=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null 2>&1 ||
    { "${sudo[@]}" apt-get update >/dev/null && "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null; }
}

# configure_and_build BUILD_DIR [cmake options...]
configure_and_build() {
  local dir=$1; shift
  cmake -S "$(ledgerfen_root)" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}
