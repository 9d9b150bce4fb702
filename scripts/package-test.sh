#!/usr/bin/env bash
# Builds the Debian package, installs it as a member would, checks the installed client finds its
# skins and keeps its files in the member's own data folder, then removes the package again.
# Also holds the package to Debian's rules: manual pages, machine-readable copyright, Debian
# changelog, AppStream metainfo (appstreamcli validate) and lintian without errors or warnings.
# Needs root (apt-get install / remove). Build folder: build-pkg. Leaves quorvel_*.deb in build-pkg
# and a screenshot of the installed client in build-pkg/package-test/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build-pkg"
work="$build/package-test"

step() { printf '\n== %s\n' "$*"; }
fail() { echo "package-test: FAILED: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || fail "run as root (it installs and removes the package)"

step "Tools"
bash scripts/deps.sh demo
extra=()
for p in desktop-file-utils dpkg-dev x11-utils lintian appstream man-db; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || extra+=("$p")
done
if [ ${#extra[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${extra[@]}"
fi

step "Build (Release, prefix /usr, Debian's hardening flags)"
# Only the two programs and the compressed documents are built; the package needs nothing else,
# and cpack must not build the tests. dpkg-buildflags gives the flags every Debian package is
# built with (fortified functions, stack protector, read-only relocations, immediate binding).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j2 --target quorvel quorvel-sim quorvel_docs

step "Package"
rm -f "$build"/quorvel_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/quorvel_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one quorvel_*.deb, found: ${debs[*]}"
deb=${debs[0]}
dpkg-deb --field "$deb"
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
expected=(./usr/bin/quorvel ./usr/bin/quorvel-sim ./usr/share/quorvel/2.she ./usr/share/quorvel/SoftSkin.she
          ./usr/share/applications/quorvel.desktop ./usr/share/icons/hicolor/scalable/apps/quorvel.svg
          ./usr/share/man/man1/quorvel.1.gz ./usr/share/man/man1/quorvel-sim.1.gz
          ./usr/share/doc/quorvel/copyright ./usr/share/doc/quorvel/changelog.Debian.gz
          ./usr/share/metainfo/com.quorvel.client.metainfo.xml ./usr/share/lintian/overrides/quorvel)
for size in 16 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/quorvel.png")
done
for f in "${expected[@]}"; do
  grep -qxF "$f" <<<"$contents" || fail "$f missing from the package"
done
echo "package holds all ${#expected[@]} expected files"
depends=$(dpkg-deb --field "$deb" Depends)
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 qt6-qpa-plugins qt6-translations-l10n; do
  grep -q "\b$p\b" <<<"$depends" || fail "Depends lacks $p: $depends"
done
version=$(dpkg-deb --field "$deb" Version)
upstream_version=${version%-*} # the program knows its own version, not the Debian revision

step "Lintian"
# Errors and warnings both fail; the few warnings that do not apply are overridden in
# packaging/lintian-overrides, each with its reason.
# (--show-overrides is left out: with it lintian 2.116 fails on the overridden tags too.)
lintian --fail-on error,warning --display-info "$deb" | tee "$build/lintian.txt" \
  || fail "lintian found errors or warnings (see above)"
echo "lintian: no errors, no warnings; overridden: $(grep -c '^quorvel:' packaging/lintian-overrides)"

# From here on the package may be installed: whatever happens, take it off again and stop what
# this script started.
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  if dpkg-query -W -f='${Status}' quorvel 2>/dev/null | grep -q 'install ok installed'; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq quorvel >/dev/null || true
  fi
}
trap cleanup EXIT

step "Install"
DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb"
[ -x /usr/bin/quorvel ] && [ -x /usr/bin/quorvel-sim ] || fail "programs not installed in /usr/bin"

step "Desktop entry"
desktop-file-validate /usr/share/applications/quorvel.desktop
grep -qx 'Exec=quorvel' /usr/share/applications/quorvel.desktop || fail "desktop entry does not start quorvel"
echo "desktop entry valid"

step "Manual pages"
for page in quorvel quorvel-sim; do
  gz=/usr/share/man/man1/$page.1.gz
  gzip -t "$gz" || fail "$gz is not gzip"
  # man --warnings reports every troff complaint on standard error.
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page(1) has troff warnings: $warnings"
  shown=$(MANWIDTH=80 man -E UTF-8 "$page" 2>/dev/null | col -b)
  grep -q "^NAME" <<<"$shown" && grep -Eq "$page +- " <<<"$shown" || fail "man $page does not show $page(1)"
done
client_page=$(MANWIDTH=80 man -E UTF-8 quorvel 2>/dev/null | col -b)
for option in --forum-host --probe-url --ca-certificates --verbose --data-dir; do
  grep -q -- "$option" <<<"$client_page" || fail "quorvel(1) lacks $option"
done
echo "quorvel(1) and quorvel-sim(1) installed compressed, render without warnings"

step "Copyright and changelog"
copyright=/usr/share/doc/quorvel/copyright
head -n 1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  || fail "$copyright is not in the machine-readable format"
grep -q '^Files: \*$' "$copyright" && grep -q '^License: ' "$copyright" || fail "$copyright lacks Files/License"
zcat /usr/share/doc/quorvel/changelog.Debian.gz | dpkg-parsechangelog -l - -S Version | grep -qx "$version" \
  || fail "changelog.Debian.gz does not name version $version"
echo "copyright is machine-readable; changelog.Debian.gz names $version"

step "AppStream metainfo"
metainfo=/usr/share/metainfo/com.quorvel.client.metainfo.xml
# --no-net: the screenshots' addresses are on the internet, which this test never reaches.
validation=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) || fail "appstreamcli validate: $validation"
echo "$validation"
if grep -Eq '^(E|W):' <<<"$validation"; then fail "appstreamcli validate reports errors or warnings"; fi
grep -q '<launchable type="desktop-id">quorvel.desktop</launchable>' "$metainfo" || fail "metainfo names another desktop entry"
grep -q '<release version="'"$upstream_version"'"' "$metainfo" || fail "metainfo lacks release $upstream_version"
grep -q '<content_rating type="oars-1.1">' "$metainfo" && grep -q '<screenshot' "$metainfo" \
  || fail "metainfo lacks content rating or screenshots"
echo "metainfo valid, names quorvel.desktop and release $upstream_version"

step "Command line of the installed programs"
export QT_QPA_PLATFORM=offscreen
help=$(/usr/bin/quorvel --help)
echo "$help"
grep -q -- '--forum-host' <<<"$help" || fail "quorvel --help does not list --forum-host"
shown=$(/usr/bin/quorvel --version)
echo "$shown"
[ "$shown" = "quorvel $upstream_version" ] || fail "quorvel --version says '$shown', package version is $version"
sim_help=$(/usr/bin/quorvel-sim --help)
grep -q 'Demo members' <<<"$sim_help" || fail "quorvel-sim --help does not list the demo members"
echo "quorvel-sim --help lists the demo members"
unset QT_QPA_PLATFORM

step "Installed client against the simulator under Xvfb"
rm -rf "$work"
mkdir -p "$work/home"
home="$work/home"
/usr/bin/quorvel-sim --print-client-args --quiet >"$work/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q -- '--forum-host' "$work/sim.out" && break; sleep 0.1; done
args_line=$(grep -- '--forum-host' "$work/sim.out" | tail -n 1) || fail "simulator printed no client arguments: $(cat "$work/sim.out")"
read -r -a client_args <<<"$args_line"

exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 5>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"

# A fresh member: own HOME, no XDG overrides, so the data folder is the default per-user one.
env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" /usr/bin/quorvel "${client_args[@]}" \
  >"$work/client.log" 2>&1 &
client=$!
pids+=("$client")
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid "$client" 2>/dev/null | tail -n 1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the installed client showed no window: $(cat "$work/client.log")"
sleep 3 # start animation and login window settle
import -window root "$work/installed-client.png"
colours=$(convert "$work/installed-client.png" -format '%k' info:)
echo "screenshot $work/installed-client.png ($colours colours)"
[ "$colours" -gt 64 ] || fail "the screenshot is nearly blank ($colours colours)"
kill -0 "$client" 2>/dev/null || fail "the client ended by itself: $(cat "$work/client.log")"

step "Sign in as the demo member alice"
# Positions of the account field, the password field and the sign-in button inside the login window.
xdotool mousemove --window "$window" 268 163 click 1 key ctrl+a type --delay 20 alice
xdotool mousemove --window "$window" 268 187 click 1 type --delay 20 alice123
xdotool mousemove --window "$window" 212 303 click 1
data="$home/.local/share/quorvel"
for _ in $(seq 150); do [ -f "$data/login.ini" ] && break; sleep 0.1; done
sleep 2 # the member panel fills in
import -window root "$work/installed-panel.png"
[ -f "$data/login.ini" ] || fail "no login.ini after signing in (see $work/installed-panel.png)"
echo "signed in; screenshot $work/installed-panel.png"

step "Where the installed client keeps its files"
find "$home" -mindepth 1 | sed "s|^$home|~|" | sort
for f in 2.she SoftSkin.she; do
  [ -f "$data/$f" ] || fail "skin $f was not copied into the data folder $data"
  cmp -s "$data/$f" "/usr/share/quorvel/$f" || fail "$data/$f differs from the installed skin"
done
[ -d "$data/Cookies" ] || fail "no Cookies folder in $data"
compgen -G "$data/Cookies/*.txt" >/dev/null || fail "the site's cookies were not kept in $data/Cookies"
stray=$(find /usr/bin -maxdepth 1 \( -name login.ini -o -name Cookies -o -name '*.she' \); \
        find /usr/share/quorvel -mindepth 1 \( -newer "$work/sim.out" -o ! -name '*.she' \))
[ -z "$stray" ] || fail "the client wrote into the installed folders: $stray"
echo "login.ini, the skins and Cookies/ are in ~/.local/share/quorvel; nothing written next to the program"

kill "$client" 2>/dev/null || true
wait "$client" 2>/dev/null || true

step "Remove"
DEBIAN_FRONTEND=noninteractive apt-get remove -y quorvel
left=()
for f in "${expected[@]}"; do
  [ -e "${f#.}" ] && left+=("${f#.}")
done
[ -e /usr/share/quorvel ] && left+=(/usr/share/quorvel)
[ ${#left[@]} -eq 0 ] || fail "left behind after removal: ${left[*]}"
echo "all installed files are gone"

echo
echo "package-test: 1 passed, 0 failed"
