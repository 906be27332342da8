#!/usr/bin/env bash
# Extracting a 64 MiB Binary stream: DeskSetup (through desksetup-host)
# side by side with msiextract and msiinfo on the same package.
#
# Usage: bench/binary_stream_extraction.sh [BIN_DIR] [RUNS]
#   BIN_DIR  folder with desksetup-host and DeskSetup.so
#            (default: build/desktop/desktop/bin)
#   RUNS     timed runs per tool after one warm-up run (default: 5)
#
# The package holds one uncompressed cabinet of a 64 MiB file twice: as the
# Binary row that the SFDeskSetup row names (what DeskSetup copies) and as
# the embedded cabinet of the File/Media tables (what msiextract unpacks).
# "msiinfo extract" copies the raw Binary stream and is the closest
# like-for-like reference.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build/desktop/desktop/bin}
runs=${2:-5}
work=$(mktemp -d "${TMPDIR:-/tmp}/desksetup-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

for tool in msibuild msiinfo msiextract gcab; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
[ -x "$bin/desksetup-host" ] || { echo "no desksetup-host in $bin" >&2; exit 1; }

tab=$'\t'
mkdir -p "$work/src/Binary" "$work/payload"
head -c $((64 * 1024 * 1024)) /dev/urandom > "$work/payload/payload.bin"
(cd "$work/payload" && gcab -c -n "$work/src/Binary/big.cab" payload.bin)
printf '[DeviceInstall]\r\nName = Big\r\nCabs = big.cab\r\n' > "$work/src/Binary/big.ini"
printf 'icon' > "$work/src/Binary/big.ico"
cab_size=$(stat -c %s "$work/src/Binary/big.cab")

idt() {  # idt NAME COLUMNS TYPES KEYS ROW...
  local name=$1 columns=$2 types=$3 keys=$4
  shift 4
  { printf '%s\r\n%s\r\n%s\r\n' "$columns" "$types" "$name$tab$keys"; for row in "$@"; do printf '%s\r\n' "$row"; done; } \
    > "$work/src/$name.idt"
}
idt Property "Property${tab}Value" "s72${tab}l0" Property \
  "ProductCode${tab}{5C1D2E3F-0B0B-4A5B-9C8D-1E2F3A4B5C6D}" "ProductName${tab}Benchmark" \
  "CEAPPMGRLOC${tab}C:\\none\\ceappmgr.exe"
idt Directory "Directory${tab}Directory_Parent${tab}DefaultDir" "s72${tab}S72${tab}l255" Directory \
  "TARGETDIR${tab}${tab}SourceDir" "INSTALLDIR${tab}TARGETDIR${tab}Bench"
idt Component "Component${tab}ComponentId${tab}Directory_${tab}Attributes${tab}Condition${tab}KeyPath" \
  "s72${tab}S38${tab}s72${tab}i2${tab}S255${tab}S72" Component \
  "Payload${tab}{5C1D2E3F-0B0C-4A5B-9C8D-1E2F3A4B5C6D}${tab}INSTALLDIR${tab}0${tab}${tab}payload.bin"
idt File "File${tab}Component_${tab}FileName${tab}FileSize${tab}Version${tab}Language${tab}Attributes${tab}Sequence" \
  "s72${tab}s72${tab}l255${tab}i4${tab}S72${tab}S20${tab}I2${tab}i2" File \
  "payload.bin${tab}Payload${tab}payload.bin${tab}$((64 * 1024 * 1024))${tab}${tab}${tab}0${tab}1"
idt Media "DiskId${tab}LastSequence${tab}DiskPrompt${tab}Cabinet${tab}VolumeLabel${tab}Source" \
  "i2${tab}i2${tab}L64${tab}S255${tab}S32${tab}S72" DiskId "1${tab}1${tab}${tab}#big.cab${tab}${tab}"
idt SFDeskSetup "Key${tab}IniName${tab}DirKey${tab}IniKey${tab}Cabs${tab}Icon${tab}Remove${tab}Component_" \
  "s72${tab}S72${tab}S72${tab}S72${tab}S255${tab}S255${tab}I4${tab}S72" Key \
  "Big${tab}big${tab}INSTALLDIR${tab}BigIni${tab}BigCab,big.cab${tab}BigIcon,big.ico${tab}1${tab}"
idt Binary "Name${tab}Data" "s72${tab}v0" Name "BigIni${tab}big.ini" "BigCab${tab}big.cab" "BigIcon${tab}big.ico"

package="$work/bench.msi"
(cd "$work/src" && msibuild "$package" -i Property.idt -i Directory.idt -i Component.idt -i File.idt \
  -i Media.idt -i SFDeskSetup.idt -i Binary.idt -a big.cab Binary/big.cab)
(cd "$work/src" && msibuild "$package" -s "DeskSetup benchmark" "P42R" "Intel;1033" \
  "{5C1D2E3F-0B0D-4A5B-9C8D-1E2F3A4B5C6D}")

now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }
run_desksetup() {
  rm -rf "$work/root"
  "$bin/desksetup-host" install "$package" --root "$work/root" >/dev/null
}
run_msiextract() {
  rm -rf "$work/extracted"
  msiextract -C "$work/extracted" "$package" >/dev/null
}
run_msiinfo() {
  msiinfo extract "$package" Binary.BigCab > "$work/raw.cab"
}

# Every tool must produce the right bytes before it is timed.
run_desksetup
cmp "$work/root/Bench/big.cab" "$work/src/Binary/big.cab"
run_msiextract
cmp "$(find "$work/extracted" -name payload.bin)" "$work/payload/payload.bin"
run_msiinfo
cmp "$work/raw.cab" "$work/src/Binary/big.cab"

# The tools take turns, run by run, so that a change in the machine's load
# during the measurement falls on all of them alike.
declare -A median best times
for _ in $(seq "$runs"); do
  for tool in desksetup msiextract msiinfo; do
    start=$(now)
    "run_$tool"
    times[$tool]+="$(calc "$(now) - $start") "
  done
done
for tool in desksetup msiextract msiinfo; do
  sorted=($(printf '%s\n' ${times[$tool]} | sort -g))
  median[$tool]=${sorted[$(((runs - 1) / 2))]}
  best[$tool]=${sorted[0]}
done

mib=$(calc "$cab_size / 1048576")
printf 'Extracting a %.1f MiB stream, %d runs each, the tools taking turns (after a warm-up), page cache warm\n\n' "$mib" "$runs"
printf '| tool | what it writes | median s | best s | MiB/s (median) | median vs msiextract |\n'
printf '|---|---|---|---|---|---|\n'
describe() {
  case $1 in
    desksetup) echo "desksetup-host install: .ini, 64 MiB .cab, icon" ;;
    msiextract) echo "msiextract: unpacks the embedded cabinet's file" ;;
    msiinfo) echo "msiinfo extract: raw Binary stream to a file" ;;
  esac
}
for tool in desksetup msiextract msiinfo; do
  printf '| %s | %s | %.3f | %.3f | %.0f | %.2f |\n' "$tool" "$(describe $tool)" "${median[$tool]}" \
    "${best[$tool]}" "$(calc "$mib / ${median[$tool]}")" \
    "$(calc "${median[$tool]} / ${median[msiextract]}")"
done
