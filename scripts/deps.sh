# Sourced by the README's commands: installs the Debian packages the project
# needs when they are missing. Works as root and through sudo.

tavlin_ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building the program needs.
TAVLIN_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgl-dev libvulkan-dev shared-mime-info
                       libssl-dev python3 python3-pyftpdlib)
# What the tests need on top: GoogleTest, clang for the parser fuzzer,
# the FTP server the tests talk to, fonts for offscreen windows, a SOCKS 5
# server for the proxy tests, the TLS side of the FTP server and what makes
# the TLS tests' certificates.
TAVLIN_TEST_PACKAGES=(libgtest-dev googletest clang libclang-rt-dev fonts-dejavu-core microsocks
                      python3-openssl python3-cryptography)

tavlin_jobs() {
  nproc 2>/dev/null || echo 2
}

tavlin_compiler_launcher() {
  if command -v ccache >/dev/null 2>&1; then
    echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  fi
}
