#!/usr/bin/env bash
# Installs a build into a fresh prefix and checks the layout a Linux desktop expects: programs in
# bin/, the sound module in lib/vorlix/, the pictures in share/vorlix/, a valid desktop entry that
# names the installed program, the icon in the hicolor theme; then runs the installed vorlix-cli
# and checks that its files land in the user's data directory and nothing is written beside the
# executable.
# Usage: install_tree_check.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/vorlix bin/vorlix-cli; do
  [ -x "$prefix/$f" ] || fail "$f missing or not executable"
done
[ -s "$prefix/share/vorlix/GFX/NOLEVELSHOTAVAILABLE.JPG" ] || fail "placeholder picture missing"
# The bot sound module, where the installed program looks for it (bin/../lib/vorlix).
[ -s "$prefix/lib/vorlix/vorlix_sound.so" ] || fail "sound module missing from lib/vorlix"
[ ! -e "$prefix/bin/GFX" ] || fail "pictures installed into bin/"
for size in 16 32 48 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/vorlix.png"
  [ -s "$icon" ] || fail "icon $size missing"
  # PNG: the width and height are big-endian 32-bit numbers at bytes 16 and 20.
  read -r -a dims <<<"$(od -An -tu1 -j16 -N8 "$icon")"
  width=$(((dims[0] << 24) | (dims[1] << 16) | (dims[2] << 8) | dims[3]))
  height=$(((dims[4] << 24) | (dims[5] << 16) | (dims[6] << 8) | dims[7]))
  [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "icon $size is ${width}x$height"
done
entry="$prefix/share/applications/vorlix.desktop"
[ -f "$entry" ] || fail "desktop entry missing"
desktop-file-validate "$entry" || fail "desktop entry invalid"
grep -qx "Exec=$prefix/bin/vorlix" "$entry" || fail "desktop entry does not start $prefix/bin/vorlix"
grep -qx "Icon=vorlix" "$entry" || fail "desktop entry names another icon"

# A game directory (the archives do not matter here).
game="$work/game"
mkdir -p "$game/baseq3"
: >"$game/QUAKE3.EXE"

export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
mkdir -p "$HOME"
"$prefix/bin/vorlix-cli" --game-dir "$game" sync || fail "installed vorlix-cli sync failed"
[ -f "$XDG_DATA_HOME/vorlix/mapsdb.dat" ] || fail "mapsdb.dat not in \$XDG_DATA_HOME/vorlix"
[ -f "$XDG_DATA_HOME/vorlix/mapstree.dat" ] || fail "mapstree.dat not in \$XDG_DATA_HOME/vorlix"
[ ! -e "$prefix/bin/mapsdb.dat" ] || fail "mapsdb.dat written beside the executable"

# Without XDG_DATA_HOME the data goes to ~/.local/share/vorlix.
unset XDG_DATA_HOME
"$prefix/bin/vorlix-cli" --game-dir "$game" sync || fail "second sync failed"
[ -f "$HOME/.local/share/vorlix/mapsdb.dat" ] || fail "mapsdb.dat not in ~/.local/share/vorlix"

"$prefix/bin/vorlix" --version | grep -q "^vorlix " || fail "vorlix --version"
"$prefix/bin/vorlix-cli" --version | grep -q "^vorlix-cli " || fail "vorlix-cli --version"
echo "install tree ok: $prefix"
