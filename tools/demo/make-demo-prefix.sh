#!/usr/bin/env bash
# Makes a fresh demo machine: a prefix that trusts the demo release's
# code-signing CA, has Internet Explorer, Chrome and Firefox installed (small
# programs with the browsers' version resources), a Firefox profile, and the
# plug-in file of an earlier release that the demo list removes.
#
#   make-demo-prefix.sh PREFIX RELEASE BROWSERS VAMO_TOOL [PREFIX INIT OPTIONS...]
#
# RELEASE is the folder make-demo-release.sh made, BROWSERS the folder of
# browser programs (tests/data/browsers/make-browsers.sh). Whatever PREFIX
# held before is removed first. Extra arguments go to `vamo-tool prefix init`
# (--windows 10.0.19045, --arch x86, ...).
set -euo pipefail

prefix=$1 release=$2 browsers=$3 tool=$4
shift 4
case $prefix in
  "" | / | "$HOME" | "$HOME/") echo "make-demo-prefix: refusing to replace '$prefix'" >&2; exit 2 ;;
esac
rm -rf "$prefix"
export VAMO_PREFIX=$prefix
"$tool" prefix init "$@" >/dev/null
host() { "$tool" path "$1"; }
place() {  # host-file windows-path
  local target
  target=$(host "$2")
  mkdir -p "$(dirname "$target")"
  cp "$1" "$target"
}
reg() { "$tool" reg add "$@" /f >/dev/null; }
# The user's local application data folder, as the prefix names it.
local_app_data=$("$tool" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
  /v 'Local AppData' | sed -n 's/^ *Local AppData *REG_SZ *//p' | tr -d '\r')
[[ -n $local_app_data ]] || { echo "make-demo-prefix: the prefix names no local application data folder" >&2; exit 1; }

# The publisher's CA, as a machine trusts its software vendor.
cp "$release/pki/ca.pem" "$prefix/certs/root/vamo-demo-ca.pem"

# Internet Explorer: only its registry values.
reg 'HKLM\SOFTWARE\Microsoft\Internet Explorer' /v Version /d 9.11.9600.17041
reg 'HKLM\SOFTWARE\Microsoft\Internet Explorer' /v svcUpdateVersion /d 11.0.9
reg 'HKLM\SOFTWARE\Microsoft\Internet Explorer' /v svcKBNumber /d KB2909921

# Chrome, installed for the user.
place "$browsers/chrome.exe" "$local_app_data"'\Google\Chrome\Application\chrome.exe'

# Firefox: its program, its registry values and a profile whose preferences
# the install completes.
place "$browsers/firefox.exe" 'C:\Program Files\Mozilla Firefox\firefox.exe'
reg 'HKLM\SOFTWARE\Mozilla\Mozilla Firefox' /v CurrentVersion /d '20.0.1 (ko)'
reg 'HKLM\SOFTWARE\Mozilla\Mozilla Firefox\20.0.1 (ko)\Main' /v 'Install Directory' /d 'C:\Program Files\Mozilla Firefox'
reg 'HKLM\SOFTWARE\Mozilla\Mozilla Firefox\20.0.1 (ko)\Main' /v PathToExe /d 'C:\Program Files\Mozilla Firefox\firefox.exe'
profile=$(host "$local_app_data"'\Mozilla\Firefox\Profiles\vamodemo.default')
mkdir -p "$profile"
printf 'user_pref("browser.startup.homepage", "http://www.vamo.test/");\n' > "$profile/prefs.js"

# The plug-in of an earlier release, which the list removes.
old=$(host 'C:\Windows\Downloaded Program Files\VamoOld.dll')
mkdir -p "$(dirname "$old")"
printf 'an obsolete plug-in\n' > "$old"
