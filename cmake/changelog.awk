# Writes CHANGELOG.md in the form of Debian's changelog: each "## VERSION
# (DATE)" heading opens an entry, each "- " item (with its indented
# continuation lines) becomes a "  * " item wrapped at 78 columns, and the
# entry ends with the maintainer and the date. DATE may give a UTC time
# after the day, for a second version on one day: Debian wants each entry
# dated later than the one before.
#   awk -v maintainer='NAME <ADDRESS>' -f changelog.awk CHANGELOG.md

function item() {
  if (text == "") return
  n = split(text, words, " ")
  line = "  *"
  for (i = 1; i <= n; i++) {
    if (length(line) + 1 + length(words[i]) > 78) { print line; line = "   " }
    line = line " " words[i]
  }
  print line
  text = ""
}

function close_entry(  cmd, when) {
  item()
  if (version == "") return
  cmd = "date -u -R -d '" date "'"
  cmd | getline when
  close(cmd)
  print ""
  print " -- " maintainer "  " when
}

/^## / {
  close_entry()
  if (version != "") print ""
  version = $2
  date = substr($0, index($0, "(") + 1)
  sub(/\).*/, "", date)
  print "facemeld (" version ") unstable; urgency=medium"
  print ""
  next
}
version != "" && /^- / { item(); text = substr($0, 3); next }
version != "" && /^  +[^ ]/ && text != "" { sub(/^ +/, " "); text = text $0; next }
{ item() }
END { close_entry() }
