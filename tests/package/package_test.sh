#!/usr/bin/env bash
# The installed program from the build tree: the desktop entry and the AppStream data pass
# their validators; the Debian package built from the tree holds the program, its menu entry,
# icons, AppStream data and documentation; and its binary, started from the unpacked package
# by a user who cannot write there, keeps its settings in that user's configuration folder:
# written at the end (SIGTERM), read at the next start.
#
# package_test.sh BUILD_DIR. Every step has a time limit; runs as root (CI) or as any user
# who may switch to nobody.
set -euo pipefail
build=$(cd "$1" && pwd)
id=de.rufkartei.Rufkartei
work=$(mktemp -d)
program=
cleanup() {
  [ -n "$program" ] && kill -KILL "$program" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
step() { echo "--- $*"; }
for tool in desktop-file-validate appstreamcli cpack dpkg-deb dpkg-shlibdeps setpriv; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/test installs it)"
done

step "cmake --install and the validators"
timeout 120 cmake --install "$build" --prefix "$work/prefix" >/dev/null
timeout 60 desktop-file-validate "$work/prefix/share/applications/$id.desktop"
timeout 60 appstreamcli validate --no-net "$work/prefix/share/metainfo/$id.metainfo.xml"

step "cpack -G DEB"
timeout 300 cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/cpack" >/dev/null
deb=$(ls "$work"/cpack/rufkartei_*-1_*.deb)
[ "$(basename "$deb")" = "rufkartei_1.10-1_$(dpkg --print-architecture).deb" ] || fail "package named $deb"
depends=$(timeout 30 dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for package in fonts-liberation2 qt6-qpa-plugins qt6-translations-l10n libqt6widgets6 libc6; do
  [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends lacks $package"
done

step "dpkg-deb -x and the files of the package"
root=$work/root
timeout 60 dpkg-deb -x "$deb" "$root"
for file in usr/bin/rufkartei \
    "usr/share/applications/$id.desktop" \
    "usr/share/metainfo/$id.metainfo.xml" \
    "usr/share/icons/hicolor/scalable/apps/$id.svg" \
    usr/share/doc/rufkartei/copyright \
    usr/share/doc/rufkartei/changelog.Debian.gz \
    usr/share/man/man1/rufkartei.1.gz; do
  [ -s "$root/$file" ] || fail "the package lacks $file"
done
[ -x "$root/usr/bin/rufkartei" ] || fail "usr/bin/rufkartei is not executable"
grep -qx "Exec=rufkartei" "$root/usr/share/applications/$id.desktop" || fail "Exec line"
grep -qx "Icon=$id" "$root/usr/share/applications/$id.desktop" || fail "Icon line"
# Width and height of a PNG: the big-endian words at bytes 16 and 20.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'; }
for size in 48 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -s "$png" ] || fail "the package lacks the $size pixel icon"
  [ "$(png_size "$png")" = "${size}x${size}" ] || fail "the $size pixel icon is $(png_size "$png")"
done

step "the unpacked binary, run by nobody"
if [ "$(id -u)" != 0 ]; then
  echo "skipped: only root can start the program as nobody"
  exit 77
fi
home=$work/home
runtime=$work/runtime
mkdir "$home" "$runtime"
chown nobody:nogroup "$home" "$runtime"
chmod 700 "$runtime"
chmod 755 "$work"
settings=$home/.config/rufkartei/Rufkartei.ini
binary=$(readlink -f "$root/usr/bin/rufkartei")
# handles_sigterm PID: true when the process PID is the program and catches SIGTERM. Until it
# has executed the program, the job is still a fork of this script's bash, whose own SIGTERM
# handler (for the EXIT trap) shows in the mask too.
handles_sigterm() {
  [ "$(readlink "/proc/$1/exe" 2>/dev/null)" = "$binary" ] || return 1
  # Bit 14 of the caught-signals mask is SIGTERM; once it is set the request cannot be lost.
  [ "$(( 0x$(awk '/^SigCgt:/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0) >> 14 & 1 ))" = 1 ]
}
# run_once: starts the program as nobody with nothing of this environment but its home, waits
# until it handles SIGTERM, sends it and expects a normal end within the time limit.
run_once() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$home" XDG_RUNTIME_DIR="$runtime" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/rufkartei" > "$work/run.out" 2>&1 &
  program=$!
  local waited=0
  until handles_sigterm "$program"; do
    kill -0 "$program" 2>/dev/null || { cat "$work/run.out" >&2; fail "the program ended at start"; }
    [ "$waited" -lt 300 ] || fail "the program did not come up within 30 s"
    sleep 0.1
    waited=$((waited + 1))
  done
  kill -TERM "$program"
  local status=0
  timeout 30 tail --pid="$program" -f /dev/null || fail "the program did not end within 30 s of SIGTERM"
  wait "$program" || status=$?
  program=
  [ "$status" = 0 ] || { cat "$work/run.out" >&2; fail "exit status $status after SIGTERM"; }
}
crlf() { printf '%s\r\n' "$@"; }
# expect_settings WHAT LINE...: the settings file holds exactly the header and these lines.
expect_settings() {
  local what=$1
  shift
  { printf '\xef\xbb\xbf\r\n'; crlf "$@"; } > "$work/expected.ini"
  [ -f "$settings" ] || fail "no settings in $settings after the $what"
  cmp "$work/expected.ini" "$settings" || { od -c "$settings" >&2; fail "settings after the $what"; }
}

run_once
expect_settings "first run" "Telefonbuch1 = $home/" "Telefonbuch2 = $home/" "ToolTip = 1"
[ "$(stat -c %U "$settings")" = nobody ] || fail "the settings file is not nobody's"
[ "$(stat -c %a "$home/.config/rufkartei")" = 700 ] || fail "the configuration folder is open to others"
[ ! -e "$root/usr/bin/Rufkartei.ini" ] || fail "settings beside the binary"

# The second start reads what the first wrote: changed values come back unchanged.
crlf "Telefonbuch1 = /srv/Telefon/" "ToolTip = 0" > "$settings"
run_once
expect_settings "second run" "Telefonbuch1 = /srv/Telefon/" "Telefonbuch2 = $home/" "ToolTip = 0"
echo "passed"
