# Shared by scripts/test and scripts/run: installs what is missing and builds.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libsdl2-dev libfreetype-dev libfontconfig-dev libpng-dev libjpeg-dev zlib1g-dev
    libvorbisidec-dev libopenjp2-7-dev libmpg123-dev libopenmpt-dev
    libcairo2-dev libfluidsynth-dev timgm6mb-soundfont libvorbis-dev libogg-dev libmp3lame-dev
    fonts-dejavu-core fonts-dejavu-extra fonts-lobstertwo fonts-comic-neue
    libpixman-1-dev libexpat1-dev libgif-dev libxss-dev
    clang-15 llvm-15
    xvfb xauth xdotool x11-apps x11-utils openbox fluxbox i3-wm imagemagick python3
)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
            missing+=("$p")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# configure <dir> [extra cmake args...]
configure() {
    local dir="$1"
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}

# build <dir> [extra cmake args...]: configures and builds every target.
build() {
    configure "$@"
    cmake --build "$1" -j "$(nproc)"
}

# The packages whose files the data tool reads: a new version makes the data again.
DATA_PACKAGES=(fonts-dejavu-core fonts-lobstertwo fonts-comic-neue timgm6mb-soundfont)

# make_data_if_changed <build dir> <pak>: runs the data tool only when its binary or the
# packages it reads differ from the last run that made the pak.
make_data_if_changed() {
    local tool="$1/make_data" pak="$2"
    local stamp="$pak.stamp" key
    if [ ! -x "$tool" ]; then
        echo "make_data was not built (cairo, fluidsynth or vorbisenc missing?)" >&2
        return 1
    fi
    key="$(sha256sum "$tool" | cut -d' ' -f1) $(dpkg-query -W "${DATA_PACKAGES[@]}" | tr '\n\t' '  ')"
    if [ -f "$pak" ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$key" ]; then
        return 0
    fi
    rm -f "$stamp"
    "$tool" "$pak"
    printf '%s' "$key" > "$stamp"
}
