#!/usr/bin/env bash
# The Linux package's test: builds the .deb of a built tree, unpacks it into a scratch root with
# dpkg -x, checks its contents and runs the packaged command line over the packaged demo.
#   test_deb.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if ! (cd "$build" && cpack -G DEB -B "$scratch/out" > "$scratch/cpack.log" 2>&1); then
  cat "$scratch/cpack.log" >&2
  exit 1
fi
debs=("$scratch"/out/stallscan_*.deb)
[ -f "${debs[0]}" ] || { echo "FAIL: no package in $scratch/out" >&2; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"

info=$(dpkg-deb --field "$deb" Package Version Architecture Depends)
echo "$info"
grep -q '^Package: stallscan$' <<< "$info" || fail "package name"
grep -q '^Depends: .*libc6' <<< "$info" || fail "no shared-library dependencies"

root="$scratch/root"
dpkg -x "$deb" "$root"
for path in usr/bin/stallscan usr/lib/stallscan/bin/kvls usr/share/man/man1/stallscan.1.gz \
            usr/share/stallscan/demo/README.md usr/share/stallscan/demo/data/jobs/demo-9.txt \
            usr/share/doc/stallscan/README.md; do
  [ -e "$root/$path" ] || fail "missing /$path"
done
[ -x "$root/usr/bin/stallscan" ] && [ -x "$root/usr/lib/stallscan/bin/kvls" ] || fail "not executable"
[ "$(readlink "$root/usr/lib/stallscan/data")" = ../../share/stallscan/demo/data ] ||
  fail "demo data link"
if dpkg-deb --contents "$deb" | grep -E ' \./usr/(bin|lib/stallscan/bin)/' | grep -vE '/(stallscan|kvls)$' |
    grep -v '/$'; then
  fail "unexpected programs"
fi
if [ -e "$root/usr/share/applications/stallscan.desktop" ]; then
  for size in 32 64; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/stallscan.png"
    [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "icon $size"
  done
  if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$root/usr/share/applications/stallscan.desktop" || fail "desktop entry"
  fi
fi

# The man page carries the program's usage and version.
manpage=$(gzip -dc "$root/usr/share/man/man1/stallscan.1.gz")
grep -q '^\.TH STALLSCAN 1 .*stallscan 1\.' <<< "$manpage" || fail "man page header"
grep -qF 'stallscan [server_name:][job_id] ...' <<< "$(sed 's/\\-/-/g' <<< "$manpage")" ||
  fail "man page synopsis"
if command -v man > /dev/null && ! man -l "$root/usr/share/man/man1/stallscan.1.gz" 2>&1 |
    grep -q 'OV_ROOT'; then
  fail "man page does not render"
fi

# The packaged program over the packaged demo print system, as the man page shows it.
export OV_ROOT="$root/usr/lib/stallscan"
unset KVLS_DATA KVLS_LOG KVLS_FAULT KVLS_FAULT_MATCH STALLSCAN KVPRINTER
for job in demo:9 nightly:1; do
  expected="$source/tests/e2e/expected/${job/:/-}.txt"
  "$root/usr/bin/stallscan" "$job" > "$scratch/report.txt" || fail "stallscan $job: status $?"
  cmp -s "$scratch/report.txt" "$expected" || fail "report of $job differs from $expected"
done
status=0
"$root/usr/bin/stallscan" demo: nightly: > "$scratch/all.txt" || status=$?
[ "$status" -eq 0 ] || fail "stallscan demo: nightly: status $status"
grep -q '^Job identifier: demo:[0-9]' "$scratch/all.txt" &&
  grep -q '^Job identifier: nightly:1' "$scratch/all.txt" || fail "waiting jobs"
# Pseudo mode from canned files exported by the packaged tool.
"$root/usr/lib/stallscan/bin/kvls" --export-pseudo "$scratch/canned" 2> /dev/null ||
  fail "kvls --export-pseudo"
"$root/usr/bin/stallscan" "pseudo-kvls@$scratch/canned" demo:9 > "$scratch/pseudo.txt" ||
  fail "pseudo mode"
cmp -s "$scratch/pseudo.txt" "$source/tests/e2e/expected/demo-9.txt" || fail "pseudo report"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package test passed"
