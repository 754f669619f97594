# Sourced by the demo release makers: what every release has in common, so
# the Linux and the Windows release are laid out, signed and trusted alike.
#
#   release_begin OUT LIST_URL   checks the address, makes OUT/site/<folder>
#                                and OUT/work, and the demo code-signing CA in
#                                OUT/pki; sets out, site, work, base_url and
#                                list_name
#   crlf                         filter: LF lines to CR LF (INF, INI, text)
#   write_help_text FILE         the help file the releases pack
#   release_end PUBLISH KEY      fills the digests of work/list.ini, signs it
#                                into site/<list_name>, drops work, stamps OUT

release_begin() {
  out=$1
  local list_url=$2
  case $list_url in
    http://* | https://*) ;;
    *) echo "make-demo-release: the list address must be an http(s) URL: $list_url" >&2; exit 2 ;;
  esac
  local rest=${list_url#*://}
  local path=/${rest#*/}
  [[ $rest == */* ]] || path=/
  list_name=${path##*/}
  local list_folder=${path%/*}
  [[ -n $list_name ]] || { echo "make-demo-release: the list address names no file: $list_url" >&2; exit 2; }
  base_url=${list_url%/*}/

  rm -rf "$out"
  mkdir -p "$out/pki" "$out/work" "$out/site$list_folder"
  site=$out/site$list_folder
  work=$out/work
  "$(dirname "${BASH_SOURCE[0]}")/../pki/make-codesign-ca.sh" "$out/pki" "Vamo Demo"
}

crlf() { sed 's/$/\r/'; }

write_help_text() {
  crlf > "$1" <<'TXT'
Vamo web payment plug-in

If a payment fails, close every browser and run the setup wizard again.
The wizard saves a report (.rpt) that the support desk can read.
TXT
}

release_end() {
  local publish=$1 key=$2
  "$publish" sign --key "$key" --in "$work/list.ini" --files "$site" --out "$site/$list_name" >/dev/null
  rm -rf "$work"
  touch "$out/stamp"
}
