#!/usr/bin/env bash
# The Windows program's repair on a demo machine, inside the network lab
# (scripts/demo --windows): builds both builds, starts a lab whose update host
# serves the Windows demo release, makes a fresh Windows machine (a Wine
# prefix, booted inside the lab's client namespace, whose ROOT store holds the
# lab's CA and the demo publisher's), runs the repair there under Wine, says
# where the report and the machine are and stops the lab. With a display the
# run is the wizard's, VamoSetup.exe's window on it; without one (or with
# VAMO_DEMO_TERMINAL=1) `vamo-tool.exe repair` shows it in the terminal.
#
#   VAMO_DEMO_DIR names the demo folder (default build/demo/run-win32;
#   replaced on each run)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

# The lab needs root.
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null && sudo -v 2>/dev/null; then
  as_root=(sudo)
else
  echo "demo: the network lab needs root: run scripts/demo --windows as root or as a user who may use sudo" >&2
  exit 1
fi

scripts/setup

build=$root/build
tool=$build/tools/vamo-tool/vamo-tool
tool_exe=$root/build-win32/tools/vamo-tool/vamo-tool.exe
wizard_exe=$root/build-win32/app/VamoSetup.exe
trust_roots=$root/build-win32/tests/support/trust-roots.exe
desktop_helper=$root/build-win32/tests/support/wine-desktop-helper.exe
lab=$root/tools/lab/lab
release=$build/demo/release-win32
for needed in "$tool_exe" "$wizard_exe" "$trust_roots" "$desktop_helper" "$release/stamp"; do
  [ -e "$needed" ] || {
    echo "demo: $needed is missing: the Windows demo needs the mingw-w64 cross compiler and wine64 (scripts/setup)" >&2
    exit 1
  }
done
demo=${VAMO_DEMO_DIR:-$build/demo/run-win32}
wineprefix=$demo/wineprefix
# On the machine's drive C:, read from here through the prefix's drive_c.
report_windows='C:\VamoSetup-demo.rpt'
report=$wineprefix/drive_c/VamoSetup-demo.rpt
name=demo-$$

owner=${SUDO_UID:-$(id -u)}:${SUDO_GID:-$(id -g)}
cleanup() {
  "$lab" down "$name" >/dev/null 2>&1 || true
  if [ "$owner" != 0:0 ]; then "${as_root[@]}" chown -R "$owner" "$demo" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "demo: starting the network lab '$name'"
"$lab" up "$name" --build "$build" --www "$release/site" --owner $$
client_addr=$("$lab" status "$name" | sed -n 's/^client_addr=//p')

# Every Windows program of the demo runs in the demo's own Wine prefix, inside
# the lab's client namespace; the lab's marker there lets the test build probe.
in_lab() {
  "$lab" exec "$name" -- env VAMO_WINE_PREFIX="$wineprefix" VAMO_WINE_LAB_ADDRESS="$client_addr" \
    "$root/scripts/wine-run" "$@"
}

# A fresh Windows machine: booted inside the lab (Wine's network services see
# the lab's adapter and DNS servers), trusting the lab's CA (HTTPS) and the
# demo publisher's (the signed program and cabinets), with the plug-in of an
# earlier release that the list removes.
"${as_root[@]}" rm -rf "$demo"
mkdir -p "$demo"
cp "$("$lab" ca "$name")" "$demo/lab-ca.pem"
cp "$release/pki/ca.pem" "$demo/demo-ca.pem"
echo "demo: booting a Windows machine (a Wine prefix) inside the lab"
in_lab "$trust_roots" "Z:$demo/lab-ca.pem" "Z:$demo/demo-ca.pem"
# Wine has no Gulim or Dotum, the faces the wizard's pages name; the machine
# maps them to NanumGothic, or Korean text would be drawn as empty boxes.
in_lab "$desktop_helper" korean-faces
mkdir -p "$wineprefix/drive_c/windows/Downloaded Program Files"
printf 'an obsolete plug-in\r\n' > "$wineprefix/drive_c/windows/Downloaded Program Files/VamoOld.dll"

source tools/demo/display.sh
if use_window; then
  # Wine draws on the caller's display (wine-run never uses one unasked);
  # the wizard keeps the run's report where VAMO_SETUP_REPORT says.
  front_end=(env VAMO_WINE_DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-$HOME/.Xauthority}"
             VAMO_SETUP_REPORT="$report_windows" "$root/scripts/wine-run" "$wizard_exe")
  echo "demo: VamoSetup.exe opens under Wine on display $DISPLAY; the run begins with [다음] on its first page"
else
  front_end=("$root/scripts/wine-run" "$tool_exe" repair --report "$report_windows")
  echo "demo: running vamo-tool.exe repair under Wine in the lab's client namespace"
  echo
fi
status=0
interrupted=0
trap 'interrupted=1' INT
"$lab" exec "$name" -- env VAMO_WINE_PREFIX="$wineprefix" VAMO_WINE_LAB_ADDRESS="$client_addr" "${front_end[@]}" ||
  status=$?
trap 'exit 130' INT

here() {
  local path
  path=$(realpath -- "$1")
  case $path in
    "$root"/*) echo "${path#"$root"/}" ;;
    *) echo "$path" ;;
  esac
}

echo
if [ -f "$report" ]; then
  items=$("$tool" report show "$report" | awk -f tools/demo/report-items.awk)
  if [ -n "$items" ]; then
    echo "demo: what the install did, item by item (from the report):"
    echo "$items"
    echo
  fi
  echo "demo: the setup report:  $report_windows on the machine, $(here "$report") here"
  echo "demo: read it with:      $(here "$tool") report show $(here "$report")"
fi
echo "demo: the Windows machine: $(here "$wineprefix")  (WINEPREFIX; e.g. WINEPREFIX=$(here "$wineprefix") wine64 reg query 'HKCU\\Software\\Vamo' /s)"
[ "$interrupted" -eq 0 ] || exit 130
exit $status
