#!/usr/bin/env bash
# Installs a build into a fresh prefix and checks the layout a Linux desktop expects: programs in
# bin/, the sound module in lib/vorlix/, the pictures in share/vorlix/, a valid desktop entry that
# names the installed program, the icon in the hicolor theme, the manual pages, the bash
# completion of vorlix-cli and the AppStream data named like the desktop entry; then runs the
# installed vorlix-cli, checks that its files land in the user's data directory and nothing is
# written beside the executable, and completes command lines with the installed completion.
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
# The desktop entry and the AppStream data share the application's reverse-DNS name.
entries=("$prefix"/share/applications/*.desktop)
[ ${#entries[@]} = 1 ] && [ -f "${entries[0]}" ] || fail "not one desktop entry: ${entries[*]}"
entry="${entries[0]}"
id="$(basename "$entry" .desktop)"
[[ "$id" =~ ^[a-z][a-z0-9]*(\.[a-z0-9]+)+\.[A-Za-z][A-Za-z0-9]*$ ]] || fail "desktop entry $id is not reverse-DNS"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
[ -f "$metainfo" ] || fail "AppStream data $id.metainfo.xml missing"
grep -q "<id>$id</id>" "$metainfo" || fail "AppStream ID is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "AppStream data does not launch $id.desktop"
for page in vorlix vorlix-cli; do
  man_page="$prefix/share/man/man1/$page.1.gz"
  [ -f "$man_page" ] || fail "manual page $page.1.gz missing"
  text="$(gzip -dc "$man_page")"
  grep -q "^$page - " <<<"${text//\\-/-}" || fail "$page.1.gz is no manual page of $page"
done
completion="$prefix/share/bash-completion/completions/vorlix-cli"
[ -f "$completion" ] || fail "bash completion missing"
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

# The completion, as bash completes `vorlix-cli WORDS<Tab>` (bash-completion's helpers loaded):
# prints the candidates, one per line, sorted.
complete_line() {
  PATH="$prefix/bin:$PATH" bash --norc --noprofile -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    shift
    # A maps tree of our own in place of the program'"'"'s answer, when one is given.
    [ -n "${FAKE_TREE-}" ] && _vorlix_cli_query() { printf "%s" "$FAKE_TREE"; }
    COMP_LINE="vorlix-cli $*"
    COMP_POINT=${#COMP_LINE}
    read -r -a COMP_WORDS <<<"$COMP_LINE"
    [[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _vorlix_cli vorlix-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort' sh "$completion" "$@"
}
if [ -f /usr/share/bash-completion/bash_completion ]; then
  [ "$(complete_line ar)" = arena ] || fail "vorlix-cli ar<Tab>: $(complete_line ar)"
  [ "$(complete_line --no-s)" = --no-save ] || fail "vorlix-cli --no-s<Tab>"
  [ "$(complete_line arena a)" = activate ] || fail "vorlix-cli arena a<Tab>"
  [ "$(complete_line serve --type t)" = "$(printf '%s\n' team tourney)" ] ||
    fail "vorlix-cli serve --type t<Tab>: $(complete_line serve --type t)"
  [ "$(complete_line arena create --)" = "$(printf '%s\n' --group --mod --name)" ] ||
    fail "vorlix-cli arena create --<Tab>"
  mkdir -p "$game/cpma"
  : >"$game/cpma/z_Arenas_Inactive_duel_maps.pk3"
  : >"$game/cpma/z_Arenas_active_ctf.pk3"
  [ "$(complete_line --game-dir "$game" arena create --mod "")" = "$(printf '%s\n' BASEQ3 CPMA)" ] ||
    fail "MOD names: $(complete_line --game-dir "$game" arena create --mod "")"
  [ "$(complete_line --game-dir "$game" arena activate --mod cpma --name "")" = \
    "$(printf '%s\n' ctf duel_maps)" ] || fail "arena names: $(complete_line --game-dir "$game" arena activate --mod cpma --name "")"
  [ "$(complete_line --game-dir "$game" arena create --group A)" = Arenas ] ||
    fail "group paths: $(complete_line --game-dir "$game" arena create --group A)"
  # Group paths from the indentation; map entries (with their IDs) are no groups; blanks quoted.
  tree=$'Arenas\n  Duel maps\n    Q3DM1\t0\t0\n    Small\n  CTF\n    Q3CTF1\t1\t0\nOther\n'
  [ "$(FAKE_TREE="$tree" complete_line arena create --group "")" = "$(printf '%s\n' Arenas \
    'Arenas/CTF' 'Arenas/Duel\ maps' 'Arenas/Duel\ maps/Small' Other)" ] ||
    fail "group paths of a tree: $(FAKE_TREE="$tree" complete_line arena create --group "")"
  [ "$(FAKE_TREE="$tree" complete_line arena create --group Arenas/D)" = "$(printf '%s\n' \
    'Arenas/Duel\ maps' 'Arenas/Duel\ maps/Small')" ] || fail "group paths below Arenas/D"
  # The questions to vorlix-cli save nothing.
  [ "$(complete_line --data-dir "$work/other" --game-dir "$game" arena remove --mod C)" = CPMA ] ||
    fail "MOD names with --data-dir"
  [ ! -e "$work/other/mapsdb.dat" ] || fail "completing saved a database"
else
  echo "bash-completion not installed: completion not tried" >&2
fi

"$prefix/bin/vorlix" --version | grep -q "^vorlix " || fail "vorlix --version"
"$prefix/bin/vorlix-cli" --version | grep -q "^vorlix-cli " || fail "vorlix-cli --version"
echo "install tree ok: $prefix"
