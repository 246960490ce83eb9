#!/usr/bin/env bash
# The man pages and the bash completion are written by hand (help2man does
# not see CLI11's subcommands): this checks that they name every command,
# subcommand and option that the programs' --help lists, so an option added
# later without its line in them fails here.
#
#   usage_coverage_test.sh PACKAGING_DIR BRIMWICK_CLI [BRIMWICK]
set -euo pipefail
packaging=$1
cli=$2
window=${3:-}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A man page's words with its escaped hyphens as hyphens.
man_text() { sed 's/\\-/-/g' "$1"; }
cli_man=$(man_text "$packaging/man/brimwick-cli.1")
completion=$(cat "$packaging/bash-completion/brimwick-cli")

# The options of one --help text (the long ones, and -o style short ones
# that have no long form are rare: long ones only).
options_of() { sed -n '/^Options:/,/^$/p' | grep -oE '^ +(-[a-zA-Z0-9],)?--[a-z0-9-]+' | grep -oE -- '--[a-z0-9-]+' | grep -vx -- '--help'; }
subcommands_of() { sed -n '/^Subcommands:/,/^$/p' | grep -oE '^  [a-z0-9]+' | tr -d ' '; }

check_command() {
    local words=("$@")
    local help
    help=$("$cli" "${words[@]}" --help)
    local name="${words[*]}"
    if [ ${#words[@]} -gt 0 ]; then
        grep -qE "^\.SS $name( |$)" <<<"$cli_man" || fail "brimwick-cli.1 has no section for '$name'"
        grep -qF -- "${words[-1]}" <<<"$completion" || fail "the completion does not know '$name'"
    fi
    local option
    for option in $(options_of <<<"$help"); do
        if [ ${#words[@]} -eq 0 ]; then
            grep -qF -- "$option" <<<"$cli_man" || fail "brimwick-cli.1 does not name $option"
        else
            # The option must be named in its command's own section.
            sed -n "/^\.SS $name\( \|$\)/,/^\.S[SH] /p" <<<"$cli_man" | grep -qF -- "$option" ||
                fail "brimwick-cli.1 does not name $option under '$name'"
        fi
        grep -qF -- "$option" <<<"$completion" || fail "the completion does not offer $option ('$name')"
    done
    local s
    for s in $(subcommands_of <<<"$help"); do check_command "${words[@]}" "$s"; done
}
check_command

if [ -n "$window" ]; then
    window_man=$(man_text "$packaging/man/brimwick.1")
    for option in $("$window" --help | options_of); do
        grep -qF -- "$option" <<<"$window_man" || fail "brimwick.1 does not name $option"
    done
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "the man pages and the completion name every command and option"
