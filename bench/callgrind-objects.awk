# Self instructions (Ir) per shared object in a callgrind output file, one "OBJECT COUNT" a
# line, then "TOTAL COUNT". Costs are charged to the object of the function that executed
# them; the inclusive cost that follows each calls= line is skipped.
function object(text,   id) {
  if (match(text, /^\([0-9]+\)/)) {
    id = substr(text, RSTART, RLENGTH)
    if (length(text) > RLENGTH) names[id] = substr(text, RLENGTH + 2)
    return names[id]
  }
  return text
}
/^ob=/ { current = object(substr($0, 4)); next }
/^cob=/ { object(substr($0, 5)); next }
/^calls=/ { skip = 1; next }
/^[0-9+*-]/ { if (skip) { skip = 0; next } self[current] += $2; total += $2; next }
END {
  for (o in self) { n = split(o, pieces, "/"); printf "%s %d\n", pieces[n], self[o] }
  printf "TOTAL %d\n", total
}
