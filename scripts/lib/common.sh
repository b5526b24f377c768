# Shared by the set-up scripts: finds the source tree and installs what the build needs.

ORB_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Everything the build, the tests and the demo need from Debian.
# python3-jsonschema checks the documents the end-to-end tests send against docs/schema.
ORB_PACKAGES=(cmake ninja-build g++ libjsoncpp-dev googletest libgtest-dev libgmock-dev
              libbenchmark-dev pci.ids python3-jsonschema)

# Installs the packages that are missing, with one apt-get update before the first install,
# so that a machine that already has everything never touches the network.
orb_ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg -s "$package" 2>/dev/null | grep -q '^Status: install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "need root to install ${missing[*]}" >&2; return 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# Configures (once) and builds one build tree: orb_build <folder> [cmake options...]
orb_build() {
    local build_dir=$1
    shift
    if [ ! -f "$build_dir/build.ninja" ]; then
        cmake -S "$ORB_SOURCE_DIR" -B "$build_dir" -G Ninja "$@"
    fi
    cmake --build "$build_dir"
}
