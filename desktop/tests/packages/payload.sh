# Helpers for the packages' generate.sh scripts; they write into the
# current directory (the package's Binary/ folder being built).

# sized_file NAME SIZE: SIZE bytes of counting text, so that any shifted
# or repeated block shows in a comparison.
sized_file() {
  seq 1 1000000000 | head -c "$2" > "$1"
}

# icon_file NAME LABEL: a small icon-shaped file whose bytes depend on LABEL.
icon_file() {
  { printf '\x00\x00\x01\x00\x01\x00\x10\x10\x00\x00\x01\x00\x20\x00'; printf 'icon:%s;' "$2"; seq 1 200; } > "$1"
}

# cab_file NAME PAYLOAD...: an MSZIP cabinet holding one small file per
# PAYLOAD name, each with its own text.
cab_file() {
  local name=$1
  shift
  local staging
  staging=$(mktemp -d)
  for payload in "$@"; do
    { printf 'payload %s of %s\n' "$payload" "$name"; seq 1 300; } > "$staging/$payload"
  done
  (cd "$staging" && gcab -c -z -n "$OLDPWD/$name" "$@")
  rm -rf "$staging"
}
