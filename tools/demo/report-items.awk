# The install's items as `vamo-tool report show` prints a setup report: one
# line per item, its name and the last thing the install did with it.
/^------- INSTALL BEGIN/ { inside = 1; next }
/^------- INSTALL END/ { if (name != "") printf "  %-22s %s\n", name, last; inside = 0 }
inside && /^파일 : / { if (name != "") printf "  %-22s %s\n", name, last; name = substr($0, 10); last = "" }
inside && /^-[^-]/ { last = $0 }
