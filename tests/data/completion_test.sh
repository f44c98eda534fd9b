#!/usr/bin/env bash
# Sources the bash completion of korvane-cli and checks what it offers for a
# few command lines:  completion_test.sh COMPLETION_FILE SCRATCH_DIR
set -u
source "$1"
mkdir -p "$2" && cd "$2" || exit 1
touch s201.xml stakes.dat
failures=0

# expect "LINE" "WORDS": completes LINE (its last word, possibly empty) and
# compares the sorted offers with WORDS.
expect() {
    local line="$1" want="$2" got
    read -r -a COMP_WORDS <<<"$line"
    [[ "$line" == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _korvane_cli
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//')
    if [ "$got" != "$want" ]; then
        echo "completing [$line]: got [$got], expected [$want]"
        failures=$((failures + 1))
    fi
}

expect "korvane-cli " "--help --version batch forward inverse line route"
expect "korvane-cli in" "inverse"
expect "korvane-cli line " "--help export import"
expect "korvane-cli route t" "table"
expect "korvane-cli route " "--help check convert curves dxf forward info inverse section table"
expect "korvane-cli route dxf s201.xml --t" "--ticks --to --to-zone --tolerance"
expect "korvane-cli route curves s201.xml --p" "--project"
expect "korvane-cli route table --from-" "--from-zone"
expect "korvane-cli route table s201.xml --n" "--name --names --no-key-points"
expect "korvane-cli route inverse s201.xml --p" "--points"
expect "korvane-cli batch --c" "--cass --csv"
expect "korvane-cli forward --k0 1000 --s" "--skew"
expect "korvane-cli route info s" "s201.xml stakes.dat"
expect "korvane-cli route table s201.xml --output st" "stakes.dat"
expect "korvane-cli route info s201.xml --format " "cass csv"
# A value is typed, not completed; a computation command takes no file.
expect "korvane-cli forward --k " ""
expect "korvane-cli forward s" ""

[ "$failures" -eq 0 ]
