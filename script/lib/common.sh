# Shared by script/run and script/test: installs what the build needs from
# Debian's packages (only what is missing), then configures and builds.
# Source this file; it defines functions only.

ledgerfen_root() { cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd; }

# Packages the build, the tests and the program need: Qt 6 Widgets and Qt
# Test for the windows, Liberation Sans, whose letters are as wide as
# Arial's, so that the pages' captions fit as designed, libcups for
# printing, libxlsxwriter for the spreadsheet export and libcsv for reading
# CSV files (ledgerfen-db import).
LEDGERFEN_PACKAGES=(
  build-essential cmake clang libclang-rt-dev pkg-config
  libgtest-dev libssl-dev nlohmann-json3-dev
  qt6-base-dev fonts-liberation libcups2-dev libxlsxwriter-dev libcsv-dev
)

# What the checks need beyond the build: clang-format for the layout of the
# code, and the desktop's validators of menu entries and AppStream metadata.
CHECK_PACKAGES=(clang-format desktop-file-utils appstream)

# What the test of the PDF export against a real CUPS needs: the scheduler,
# its text filter, the cups-pdf backend and pdftotext to read the PDF.
PDF_TEST_PACKAGES=(cups cups-filters printer-driver-cups-pdf poppler-utils)

# Independent readers that the export tests read the written files back
# with: Python's csv module, xmllint, and Gnumeric's ssconvert for the
# workbooks (much lighter than LibreOffice, which the test of the Calc
# window needs and which stays optional: that test says when it is missing);
# and the locale sources, from which the XML and PDF tests make a locale
# whose code set is ISO-8859-1 (localedef).
EXPORT_READER_PACKAGES=(python3 libxml2-utils gnumeric locales)

# The independent Access readers that judge what the engine writes.
ORACLE_PACKAGES=(mdbtools)

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

# install_oracles DIR: mdb-reader (npm, pinned) into DIR and mdbtools; the
# tests that need them say so when this fails.
install_oracles() {
  local dir=$1 shared
  shared="$(ledgerfen_root)/../shared"
  install_missing_packages "${ORACLE_PACKAGES[@]}" || return 0
  command -v node >/dev/null || install_missing_packages nodejs npm || return 0
  [ -d "$dir/node_modules/mdb-reader" ] || "$shared/tools/install-oracles" "$dir" >/dev/null ||
    echo "The oracles could not be installed; the tests that need them will say so." >&2
}

# configure_and_build BUILD_DIR [cmake options...]
configure_and_build() {
  local dir=$1; shift
  cmake -S "$(ledgerfen_root)" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

# check_format: every C++ source of the repository is laid out as
# .clang-format says (generated files apart); lists those that are not.
check_format() {
  local root
  root=$(ledgerfen_root)
  local files
  mapfile -t files < <(git -C "$root" ls-files -- '*.cpp' '*.h')
  (cd "$root" && clang-format --dry-run --Werror "${files[@]}")
}
