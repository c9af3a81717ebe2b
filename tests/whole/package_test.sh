#!/usr/bin/env bash
# The release package on a fresh handheld: installed from the ZIP, started until its log shows the
# message loop's start, ended, uninstalled; then the handheld's files and registry must be those
# of a pristine clone of the same template that ran a trivial program under the same display.
#   package_test.sh CROSS_BUILD_DIR    (makes the ZIP with CPack first)
set -eu
build=$(realpath "$1")
(cd "$build" && cpack --config CPackConfig.cmake >/dev/null)
zip=$(ls "$build"/package/Quillmark-*.zip) reg=$build/installation.reg
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/handheld"
work=$(mktemp -d)
template=$(hh_template qvga)
used=$work/used pristine=$work/pristine
cleanup() { hh_stop_wine "$used"; hh_stop_wine "$pristine"; hh_stop_display; rm -rf "$work"; }
trap cleanup EXIT
hh_clone "$template" "$used"
hh_clone "$template" "$pristine"
hh_install_package "$used" "$zip" "$reg"
: >"$used/drive_c/quillmark.dgb" # the log's marker
# The user has switched the tray icon on: the uninstall must take that setting too.
printf '[HKEY_LOCAL_MACHINE\\Software\\Dalvern\\Quillmark\\AutoStart]\n"NumVal"=dword:00000001\n' \
    >"$work/tray-on.reg"
hh_merge_machine_reg "$used" "$work/tray-on.reg"
hh_start_display qvga "$work"
(cd "$used/drive_c" && WINEPREFIX=$used DISPLAY=$HH_DISPLAY \
    wine "C:\\Program Files\\Quillmark\\quillmark.exe" >"$work/wine.log" 2>&1 &)
for i in $(seq 300); do
    grep -q 'WinMain' "$used/drive_c/pendrova.txt" 2>/dev/null && break
    sleep 0.1
done
grep -q 'WinMain' "$used/drive_c/pendrova.txt" || { echo "the program did not start"; cat "$work/wine.log"; exit 1; }
hh_stop_wine "$used"
rm -f "$used/drive_c/quillmark.dgb" "$used/drive_c/pendrova.txt" "$used/drive_c/hid-driver.txt" # the test's own log and the driver stand-in's record
(cd "$pristine/drive_c" && WINEPREFIX=$pristine DISPLAY=$HH_DISPLAY wine cmd /c exit >/dev/null 2>&1)
hh_stop_wine "$pristine"
hh_uninstall "$used"

# Folders by path, files by path and content; the hives are compared apart below.
files() { (cd "$1" && find . -path ./dosdevices -prune -o -type d -print | sort &&
    find . -path ./dosdevices -prune -o -type f ! -name '*.reg' -print0 | sort -z | xargs -0 md5sum); }
# A hive without what Wine rewrites on every start: key timestamps, "#time" lines and the dates
# it stamps on its display drivers' keys.
hive() { sed -e 's/^\(\[.*\]\) [0-9]*$/\1/' -e '/^#time=/d' -e '/^;; /d' -e '/^"DriverDate/d' "$1"; }
status=0
diff <(files "$pristine") <(files "$used") || { echo "files differ from a pristine handheld"; status=1; }
for h in system.reg user.reg userdef.reg; do
    diff <(hive "$pristine/$h") <(hive "$used/$h") || { echo "$h differs from a pristine handheld"; status=1; }
done
exit $status
