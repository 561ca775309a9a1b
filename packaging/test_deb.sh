#!/usr/bin/env bash
# The Linux packages' test: builds the .debs of a built tree, unpacks them into a scratch root with
# dpkg -x (nothing is installed on this machine), checks one package's fields and contents and runs
# its program there over the packaged demo print system; then lintian and hardening-check on it.
#   test_deb.sh stallscan|stallscan-gui BUILD_DIR SOURCE_DIR VERSION [WITH_SERVE (ON|OFF)]
set -euo pipefail
package=$1
build=$2
source=$3
version=$4
with_serve=${5:-OFF}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if ! (cd "$build" && cpack -G DEB -B "$scratch/out") > "$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  exit 1
fi
arch=$(dpkg --print-architecture)
cli_deb=$scratch/out/stallscan_${version}_$arch.deb
gui_deb=$scratch/out/stallscan-gui_${version}_$arch.deb
deb=$scratch/out/${package}_${version}_$arch.deb
[ -f "$deb" ] || { echo "FAIL: no $(basename "$deb") in $(ls "$scratch/out")" >&2; exit 1; }
echo "package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb --field "$deb" Package Version Depends
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = "$package" ] || fail "package name"
[ "$(field Version)" = "$version" ] || fail "version"
grep -q 'libc6' <<< "$(field Depends)" || fail "no shared-library dependencies"

# The files of a package, without folders: "usr/bin/stallscan" or "usr/x -> target".
files() {
  dpkg-deb --contents "$1" | grep -v '^d' | sed -E 's/^([^ ]+ +){5}\.\///'
}

# The stallscan package unpacked as dpkg would install it; stallscan-gui's test adds its own.
root=$scratch/root
dpkg -x "$cli_deb" "$root"
export OV_ROOT=$root/usr/lib/stallscan
unset KVLS_DATA KVLS_LOG KVLS_FAULT KVLS_FAULT_MATCH STALLSCAN KVPRINTER
expected=$source/tests/e2e/expected/demo-9.txt

# A man page rendered as text into $scratch/page.txt; roff's warnings fail the test.
render() {
  LC_ALL=C.UTF-8 MANWIDTH=200 man --nh --nj --warnings -l "$1" > "$scratch/page.txt" 2> "$scratch/man.err" ||
    fail "man $1"
  [ ! -s "$scratch/man.err" ] || fail "roff warnings in $(basename "$1"): $(cat "$scratch/man.err")"
}

if [ "$package" = stallscan ]; then
  if grep -Eiq 'qt|libgl|libx11|libxcb|libegl' <<< "$(field Depends)"; then
    fail "the command line's package depends on the windows' libraries"
  fi
  files "$deb" > "$scratch/files"
  for path in usr/bin/stallscan usr/lib/stallscan/bin/kvls usr/lib/stallscan/stallscan-supervisor \
              usr/share/man/man1/stallscan.1.gz \
              usr/share/bash-completion/completions/stallscan usr/share/stallscan/demo/README.md \
              usr/share/stallscan/demo/data/jobs/demo-9.txt usr/share/doc/stallscan/README.md; do
    grep -qx "$path" "$scratch/files" || fail "missing /$path"
  done
  if grep -E '^usr/(bin|lib/stallscan/bin)/' "$scratch/files" | grep -vE '/(stallscan|kvls)$' ||
      grep -E 'gui|applications|icons' "$scratch/files"; then
    fail "files of the windows' package or unexpected programs"
  fi
  [ "$(readlink "$root/usr/lib/stallscan/data")" = ../../share/stallscan/demo/data ] ||
    fail "demo data link"

  # The live view's service: its unit, which runs the packaged program with the settings of
  # /etc/default and is enabled by nothing in the package, and an example of those settings that
  # systemd reads as the variables the unit uses.
  unit=usr/lib/systemd/system/stallscan-serve.service
  example=usr/share/doc/stallscan/examples/stallscan-serve
  if [ "$with_serve" = ON ]; then
    for path in $unit $example usr/share/doc/stallscan/serve.md; do
      grep -qx "$path" "$scratch/files" || fail "missing /$path"
    done
    grep -qx 'ExecStart=/usr/bin/stallscan --serve $STALLSCAN_SERVE_ARGS' "$root/$unit" ||
      fail "the unit's command"
    grep -qx 'EnvironmentFile=/etc/default/stallscan-serve' "$root/$unit" ||
      fail "the unit's settings file"
    grep -qx 'DynamicUser=yes' "$root/$unit" || fail "the unit's user"
    grep -qx 'OV_ROOT=[^ ]*' "$root/$example" || fail "the example's OV_ROOT"
    grep -qx 'STALLSCAN_SERVE_ARGS="--listen 127.0.0.1:9631 --interval 60 SERVER:"' \
      "$root/$example" || fail "the example's arguments"
    grep -q 'libmicrohttpd' <<< "$(field Depends)" || fail "no dependency on libmicrohttpd"
    if dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'postinst|prerm|postrm'; then
      fail "maintainer scripts, which could enable the service"
    fi
    if command -v systemd-analyze > /dev/null; then
      # The unit as systemd loads it, its program the unpacked one (nothing is installed here).
      # Any remark on it fails, also the warnings about unknown or misspelt settings.
      mkdir "$scratch/unit"
      sed "s|^ExecStart=/usr/bin/stallscan |ExecStart=$root/usr/bin/stallscan |" "$root/$unit" \
        > "$scratch/unit/stallscan-serve.service"
      if ! systemd-analyze verify --man=no --generators=no "$scratch/unit/stallscan-serve.service" \
          > "$scratch/verify.log" 2>&1 || grep -q stallscan-serve "$scratch/verify.log"; then
        fail "systemd-analyze verify: $(cat "$scratch/verify.log")"
      fi
    else
      echo "systemd-analyze not installed: the unit is not verified"
    fi
  elif grep -E 'systemd|serve' "$scratch/files"; then
    fail "the service's files in a build without --serve"
  fi

  program=$root/usr/bin/stallscan
  # The man page: the version, every option of --help, every report message's code with its
  # severity as the catalogue of message information holds them.
  render "$root/usr/share/man/man1/stallscan.1.gz"
  page=$(cat "$scratch/page.txt")
  grep -qF "$("$program" --version)" <<< "$(tail -n 1 <<< "$page")" || fail "man page version"
  for section in NAME SYNOPSIS DESCRIPTION SPEC OPTIONS KEYWORDS ENVIRONMENT 'EXIT STATUS' \
                 'MESSAGE CODES' EXAMPLES FILES 'SEE ALSO'; do
    grep -qx "$section" <<< "$page" || fail "man page section $section"
  done
  options=$("$program" --help | grep -E '^  -' | sed -E 's/^  //; s/  .*//; s/[, ]+/\n/g' |
            grep '^-' | sed -E 's/[=[].*//')
  [ -n "$options" ] || fail "no options in --help"
  for option in $options OV_ROOT KVPRINTER STALLSCAN TEMP pseudo-kvls domain-name; do
    grep -qE -- "^ {7}(.*, )?$option([ ,=@[]|$)" <<< "$page" || fail "man page lacks $option"
  done
  codes=$(tr '\n' ' ' < "$source/src/diag/message_info.cpp" |
          grep -oE '\{Msg::k[A-Za-z]+, *"[a-z0-9-]+", *k(Problem|Warning|Info)' |
          sed -E 's/.*"([a-z0-9-]+)", *k(.*)/\1 \L\2/')
  [ "$(wc -l <<< "$codes")" -eq "$(grep -c '{Msg::k' "$source/src/diag/message_info.cpp")" ] ||
    fail "could not read every code of message_info.cpp"
  while read -r code severity; do
    grep -qE "^ {7}$code \([0-9]+, $severity\)$" <<< "$page" || fail "man page lacks $code"
  done <<< "$codes"

  # Without arguments: the usage, the way to the windows, status 2.
  status=0
  "$program" > "$scratch/out.txt" 2> "$scratch/err.txt" || status=$?
  [ "$status" -eq 2 ] || fail "stallscan without arguments: status $status"
  grep -qF 'stallscan: the windows are in the program stallscan-gui (package stallscan-gui).' \
    "$scratch/err.txt" || fail "no note on stallscan-gui"
  grep -q 'stallscan -h' "$scratch/out.txt" "$scratch/err.txt" || fail "no usage"

  # Reports over the packaged demo: CR LF with --crlf, LF without.
  "$program" --crlf demo:9 > "$scratch/crlf.txt" || fail "stallscan --crlf demo:9: status $?"
  cmp -s "$scratch/crlf.txt" "$expected" || fail "stallscan --crlf demo:9 differs from $expected"
  "$program" demo:9 > "$scratch/lf.txt" || fail "stallscan demo:9: status $?"
  cmp -s "$scratch/lf.txt" <(tr -d '\r' < "$expected") || fail "stallscan demo:9 (LF) differs"
  status=0
  "$program" demo: > "$scratch/all.txt" || status=$?
  [ "$status" -eq 0 ] || fail "stallscan demo: status $status"
  grep -q '^Job identifier: demo:9$' "$scratch/all.txt" || fail "waiting jobs"
  # Pseudo mode from canned files exported by the packaged tool.
  "$root/usr/lib/stallscan/bin/kvls" --export-pseudo "$scratch/canned" 2> /dev/null ||
    fail "kvls --export-pseudo"
  "$program" --crlf "pseudo-kvls@$scratch/canned" demo:9 > "$scratch/pseudo.txt" ||
    fail "pseudo mode"
  cmp -s "$scratch/pseudo.txt" "$expected" || fail "pseudo report"

  # Completion: options from --help, nothing after an option that takes a value, the jobs of
  # "server:" after the colon (readline's word starts there).
  complete_at() {
    COMP_LINE="$program $1"
    COMP_POINT=${#COMP_LINE}
    read -ra COMP_WORDS <<< "$COMP_LINE"
    COMP_CWORD=${#COMP_WORDS[@]}
    _stallscan "$program"
    echo "${COMPREPLY[*]}"
  }
  # shellcheck source=/dev/null
  source "$root/usr/share/bash-completion/completions/stallscan" || fail "completion file"
  [ "$(complete_at --ti)" = --timeout ] || fail "completion of --ti: $(complete_at --ti)"
  [ -z "$(complete_at '--timeout ')" ] || fail "completion after --timeout"
  grep -qw 9 <<< "$(complete_at demo:)" || fail "completion of demo:: $(complete_at demo:)"
  [ -z "$(OV_ROOT=/nonexistent complete_at demo:)" ] || fail "completion without a print system"
else
  grep -qF "stallscan (= $version)" <<< "$(field Depends)" || fail "no dependency on stallscan"
  grep -q 'libqt6widgets6' <<< "$(field Depends)" || fail "no dependency on Qt"
  files "$deb" > "$scratch/files"
  for path in usr/bin/stallscan-gui usr/share/man/man1/stallscan-gui.1.gz \
              usr/share/applications/stallscan-gui.desktop \
              'usr/share/bash-completion/completions/stallscan-gui -> stallscan'; do
    grep -qxF "$path" "$scratch/files" || fail "missing /$path"
  done
  # dpkg refuses to install two packages that hold the same file.
  if comm -12 <(sort "$scratch/files") <(files "$cli_deb" | sort) | grep .; then
    fail "files in both packages"
  fi
  dpkg -x "$gui_deb" "$root"
  program=$root/usr/bin/stallscan-gui
  for size in 32 64; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/stallscan.png"
    [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "icon $size"
  done
  desktop=$root/usr/share/applications/stallscan-gui.desktop
  grep -qx 'Exec=stallscan-gui' "$desktop" || fail "desktop entry's program"
  grep -qx 'Icon=stallscan' "$desktop" || fail "desktop entry's icon"
  if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$desktop" || fail "desktop entry"
  fi
  render "$root/usr/share/man/man1/stallscan-gui.1.gz"
  grep -q 'stallscan(1)' "$scratch/page.txt" || fail "man page of stallscan-gui"
  [ -f "$root/usr/share/bash-completion/completions/stallscan-gui" ] || fail "completion link"

  # The command line of the windowed program, over the demo of the stallscan package.
  export QT_QPA_PLATFORM=offscreen
  [ "$("$program" --version)" = "$("$root/usr/bin/stallscan" --version)" ] ||
    fail "stallscan-gui --version"
  "$program" --crlf demo:9 > "$scratch/crlf.txt" || fail "stallscan-gui --crlf demo:9: status $?"
  cmp -s "$scratch/crlf.txt" "$expected" || fail "stallscan-gui --crlf demo:9 differs"
fi

# Debian's checks of the package as a whole: lintian without an error or a warning, the programs'
# hardening, the copyright file in the machine-readable format, the changelog's first entry the
# version built. Without a tool its check is skipped with a note; in CI (CI set) that fails.
missing() {
  if [ -n "${CI:-}" ]; then
    fail "$1 is not installed (scripts/install-deps.sh installs it)"
  else
    echo "SKIP: $1 is not installed: $2 not checked (scripts/install-deps.sh installs it)"
  fi
}
if ! command -v lintian > /dev/null; then
  missing lintian "lintian's errors and warnings"
elif ! lintian --fail-on error,warning --tag-display-limit 0 "$deb" > "$scratch/lintian.log" 2>&1
then
  fail "lintian: $(grep -E '^[EW]: ' "$scratch/lintian.log" || cat "$scratch/lintian.log")"
fi
if ! command -v hardening-check > /dev/null; then
  missing hardening-check "the programs' hardening"
else
  # Without control-flow marks: Debian 12's C start files have none, so no program of it has them.
  # hardening-check sees fortify only in a checked call; kvls is compiled as the others are (the
  # test build.hardening checks that), but the compiler proved each of its calls safe and left
  # none, so fortify is not asked of it here.
  hardening-check --nocfprotection "$root/usr/bin/$package" > "$scratch/hardening.log" 2>&1 ||
    fail "hardening-check: $(cat "$scratch/hardening.log")"
  if [ "$package" = stallscan ]; then
    for program in bin/kvls stallscan-supervisor; do
      hardening-check --nocfprotection --nofortify "$root/usr/lib/stallscan/$program" \
        > "$scratch/hardening.log" 2>&1 || fail "hardening-check: $(cat "$scratch/hardening.log")"
    done
  fi
fi
doc=$root/usr/share/doc/$package
if ! /usr/bin/python3 -c 'import debian.copyright' 2> /dev/null; then
  missing python3-debian "the copyright file's format"
else
  /usr/bin/python3 - "$doc/copyright" << 'EOF' || fail "$doc/copyright is not machine-readable"
import sys
import debian.copyright as dep5

with open(sys.argv[1], encoding="utf-8") as f:
    copyright = dep5.Copyright(f, strict=True)
texts = {p.license.synopsis for p in copyright.all_license_paragraphs()}
problems = [] if copyright.header.known_format() else ["an unknown Format"]
files = list(copyright.all_files_paragraphs())
if not any(p.files == ("*",) for p in files):
    problems.append("no paragraph for Files: *")
for p in files:
    if not p.copyright or not p.license or not (p.license.text or p.license.synopsis in texts):
        problems.append(f"Files: {' '.join(p.files)} without a Copyright, a License or its text")
if problems:
    sys.exit("\n".join(problems))
EOF
fi
changelog_version=$(zcat "$doc/changelog.gz" | dpkg-parsechangelog -l - -S Version) ||
  fail "$doc/changelog.gz"
[ "$changelog_version" = "$version" ] ||
  fail "the changelog's first entry is $changelog_version, not $version (packaging/changelog)"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package test of $package passed"
