#!/usr/bin/env bash
# The manual pages format without a single warning, and varnisk-cli's names
# every option and command its --help lists, every exit status and the version.
#   man_pages.sh varnisk-cli.1 [varnisk.1]
set -u
cli=${VARNISK_CLI:?set VARNISK_CLI to the varnisk-cli binary}
if ! command -v man >/dev/null 2>&1; then
  echo "FAILED: man is missing (tools/install-deps.sh installs man-db)"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }

for page in "$@"; do
  LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" >/dev/null 2>"$work/err.txt"
  check "$(basename "$page") formats" "[ $? -eq 0 ]"
  check "$(basename "$page") formats without warnings" "[ ! -s '$work/err.txt' ] || { cat '$work/err.txt'; false; }"
done

page=$1
"$cli" --help >"$work/help.txt"
"$cli" --version >"$work/version.txt"
# The roff source with its escaped hyphens as the hyphens they print.
sed 's/\\-/-/g' "$page" >"$work/page.txt"
check "varnisk-cli's page names varnisk-cli's version" \
  "grep -q '^\.TH VARNISK-CLI 1 .*\"Varnisk $(sed 's/^varnisk-cli //' "$work/version.txt")\"' '$work/page.txt'"
python3 - "$work/help.txt" "$work/page.txt" <<'PY' || fail=1
import re, sys
help_text = open(sys.argv[1]).read()
page = open(sys.argv[2]).read()
options = set(re.findall(r"(--[a-z-]+)", help_text.split("commands:")[0]))
# "commands: import, export, click NAME, ..., undo, redo (take back ...)"
commands = set()
for item in re.sub(r"\([^)]*\)", "", help_text.split("commands:", 1)[1]).split(","):
    words = item.split()
    if words:
        commands.add(words[0])
assert len(options) >= 5 and len(commands) >= 20, (options, commands)
# A term of the page is a line of bold words: .B, .BI or .BR and the name.
terms = re.findall(r'^\.B[IR]? +"?([a-z-]+)', page, re.M)
missing = sorted((options | commands) - set(terms))
if missing:
    print("FAILED: varnisk-cli's page lacks", ", ".join(missing))
    sys.exit(1)
section = page.split(".SH EXIT STATUS", 1)[1].split(".SH", 1)[0]
statuses = re.findall(r"^\.B ([0-9]+)$", section, re.M)
if statuses != ["0", "1", "2", "3"]:
    print("FAILED: the exit statuses are", statuses)
    sys.exit(1)
PY
[ $fail -eq 0 ] && echo "the manual pages are sound"
exit $fail
