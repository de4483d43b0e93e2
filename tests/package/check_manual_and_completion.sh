#!/usr/bin/env bash
# The manuals and the bash completion against the programs' own --help, both ways: every
# subcommand of kelvara-cli has its subsection in kelvara-cli(1) naming exactly its options,
# Tab offers exactly its subcommands and options, an option that takes a value is followed by
# no option names, and file arguments are completed by their extension; every option of
# `kelvara --help` is in kelvara(1). A subcommand or option added to a program without its
# manual and completion fails here.
#
#   check_manual_and_completion.sh KELVARA_CLI KELVARA PACKAGING_DIR
set -uo pipefail
cli="$1" app="$2" packaging="$3"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Compares two lists of words (any order, any white space): what the first, from --help, has
# that the second lacks, and the other way round.
compare() {  # what, expected, found
    local -A expected=() found=()
    local word missing="" extra=""
    for word in $2; do expected[$word]=1; done
    for word in $3; do found[$word]=1; done
    for word in "${!expected[@]}"; do [[ -v found[$word] ]] || missing+=" $word"; done
    for word in "${!found[@]}"; do [[ -v expected[$word] ]] || extra+=" $word"; done
    [[ -z "$missing" ]] || fail "$1: missing$missing"
    [[ -z "$extra" ]] || fail "$1: not in --help:$extra"
}

# Every command path of kelvara-cli ("curve", "scale", "scale just", ...) from --help, with
# its subcommands, its long options but --help, and those of them that take a value (CLI11
# writes the value's type one space after the option's names).
declare -A subcommands=() options=() value_options=()
paths=()
queue=("")
while ((${#queue[@]})); do
    path="${queue[0]}"
    queue=("${queue[@]:1}")
    section=""
    while IFS= read -r line; do
        case "$line" in
            Subcommands:) section=subcommands ;;
            Options:) section=options ;;
            [A-Z]*) section="" ;;
        esac
        if [[ "$section" == subcommands && "$line" =~ ^\ \ ([a-z][a-z0-9-]*) ]]; then
            sub="${BASH_REMATCH[1]}"
            subcommands[x$path]+=" $sub"
            paths+=("${path:+$path }$sub")
            queue+=("${path:+$path }$sub")
        elif [[ "$section" == options && "$line" =~ ^\ \ (-[^ ]+)(\ [^ ])? ]]; then
            for name in ${BASH_REMATCH[1]//,/ }; do
                [[ "$name" == --* && "$name" != --help ]] || continue
                options[x$path]+=" $name"
                [[ -n "${BASH_REMATCH[2]}" ]] && value_options[x$path]+=" $name"
            done
        fi
    done < <("$cli" $path --help 2>&1)
done
((${#paths[@]} > 10)) || fail "kelvara-cli --help lists only ${#paths[@]} subcommands"

# The manuals, read once: the subsections under COMMANDS with the long options each names,
# and the options of each OPTIONS section.
declare -A manual=()
while IFS=$'\t' read -r heading names; do
    manual[$heading]="$names"
done < <(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$packaging/man/kelvara-cli.1.in" | awk '
    /^\.SH/ { heading = ($2 == "OPTIONS") ? "OPTIONS" : ""; commands = ($2 == "COMMANDS"); next }
    /^\.SS/ { sub(/^\.SS */, ""); gsub(/"/, ""); heading = commands ? $0 : ""; names[heading] = ""; next }
    heading != "" { while (match($0, /--[a-z][a-z0-9-]*/)) {
                        names[heading] = names[heading] " " substr($0, RSTART, RLENGTH)
                        $0 = substr($0, RSTART + RLENGTH) } }
    END { for (h in names) print h "\t" names[h] }')
compare "kelvara-cli(1): OPTIONS" "--help ${options[x]-}" "${manual[OPTIONS]-}"
unset 'manual[OPTIONS]'
compare "kelvara-cli(1): subsections under COMMANDS" "$(printf '%s\n' "${paths[@]// /_}")" \
    "$(for heading in "${!manual[@]}"; do echo "${heading// /_}"; done)"
for path in "${paths[@]}"; do
    compare "kelvara-cli(1): $path" "${options[x$path]-}" "${manual[$path]-}"
done

app_options() {  # the short and long options of an OPTIONS section or of Qt's help text
    grep -oE -- '(^|[ ,])-[a-z]\b|--[a-z][a-z-]*' | tr -d ' ,'
}
compare "kelvara(1): OPTIONS" \
    "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$app" --help |
       awk '/^Options:/ { on = 1; next } /^$/ { on = 0 } on' | app_options)" \
    "$(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$packaging/man/kelvara.1.in" |
       awk '/^\.SH/ { on = ($2 == "OPTIONS"); next } on' | app_options)"

# The completion, driven as bash drives it after Tab.
source "$packaging/completion/kelvara-cli"
complete_words() {  # the words of the command line, the last one being completed
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _kelvara_cli
}
complete_words kelvara-cli ""
compare "completion of kelvara-cli" "${subcommands[x]}" "${COMPREPLY[*]}"
complete_words kelvara-cli -
compare "completion of kelvara-cli -" "--help ${options[x]-}" "${COMPREPLY[*]}"
for path in "${paths[@]}"; do
    read -ra words <<<"$path"
    if [[ -v subcommands[x$path] ]]; then
        complete_words kelvara-cli "${words[@]}" ""
        compare "completion of kelvara-cli $path" "${subcommands[x$path]}" "${COMPREPLY[*]}"
    fi
    complete_words kelvara-cli "${words[@]}" -
    compare "completion of kelvara-cli $path -" "--help ${options[x$path]-}" "${COMPREPLY[*]}"
    for option in ${value_options[x$path]-}; do
        complete_words kelvara-cli "${words[@]}" "$option" ""
        [[ " ${COMPREPLY[*]}" != *" -"* ]] ||
            fail "completion after kelvara-cli $path $option offers options: ${COMPREPLY[*]}"
    done
done

# File names by what the argument holds; directories are always offered, to walk into.
files="$(mktemp -d)"
trap 'rm -rf "$files"' EXIT
touch "$files"/{a.kelvara,"b c.kelvara",d.sf2,e.SF3,f.dls,g.wav,h.png,i.txt,j.kelvara.bak,k.FLAC,l.mid}
mkdir "$files/folder"
cd "$files" || exit 1
while IFS=';' read -r words expected; do
    read -ra words <<<"$words"
    expected="${expected#"${expected%%[! ]*}"}"
    complete_words kelvara-cli "${words[@]}" ""
    found="$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' '|')"
    [[ "$found" == "$expected" ]] ||
        fail "completion of kelvara-cli ${words[*]} gives '$found', not '$expected'"
done <<'CASES'
dump;                          a.kelvara|b c.kelvara|folder|
curve --type 3;                a.kelvara|b c.kelvara|folder|
curve --file;                  a.kelvara|b c.kelvara|folder|
play;                          a.kelvara|b c.kelvara|folder|
render --bank;                 d.sf2|e.SF3|f.dls|folder|
play x.kelvara --bank;         d.sf2|e.SF3|f.dls|folder|
bank-tuning;                   d.sf2|f.dls|folder|
render --chord 220 --wav;      folder|g.wav|
midi-play --wav;               folder|g.wav|
plot --png;                    folder|h.png|
midi-sources --midi;           alsa|jack|none|
adapt --midi;                  folder|l.mid|
mts send;                      a.kelvara|b c.kelvara|folder|
bench --case;                  adapt|bank-tuning|bar|default|default-min|minima|pipeline|recording|surface|surface-worst|worst|worst-min|
timbre-from-audio;             folder|g.wav|k.FLAC|
minima --format;               csv|json|
curve --model;                 min|product|
CASES

((failures == 0)) || { echo "$failures failures"; exit 1; }
echo "the manuals and the completion name every subcommand and option of ${#paths[@]} commands"
