#!/usr/bin/env bash
# The record file under faults that need a real process, another user or a device. The file
# must always hold a complete old or new value, and the game must never stop or block.
set -uo pipefail
replay="${ZELTO_BUILD_DIR:?}/zelto-replay"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
checks=0
pass() { checks=$((checks + 1)); echo "ok: $1"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "FAILED: $1"; }
bytes() { od -An -c "$1" | tr -d ' \n'; }

# Runs a short game in a folder: open, score, game over, quit. Prints the caption it read.
play() {
    (cd "$1" && printf 'open\nprint Label4.Caption\nscore %s\ncall GameOver\nkey q\n' "$2" |
        timeout 10 "$replay")
}

# A game that scores 100 in each folder; kept() says what must stand there afterwards. Only a
# regular file may be written through a link; anything else gets one warning.
kinds=(fifo link-to-600)
if [[ $(id -u) -eq 0 ]]; then kinds+=(link-to-device); else echo "skip: a device needs root"; fi
for kind in "${kinds[@]}"; do
    dir="$work/$kind"
    mkdir -p "$dir"
    warnings=1 caption=''
    case $kind in
    fifo) mkfifo "$dir/record.dat" && kept() { [[ -p $dir/record.dat ]]; } ;;
    link-to-600)
        printf '50\r\n' >"$dir/best" && chmod 600 "$dir/best" && ln -s best "$dir/record.dat"
        warnings=0 caption='50\r\n'
        kept() { [[ -L $dir/record.dat && $(stat -c %a "$dir/best") == 600 &&
            $(bytes "$dir/best") == '100\r\n' ]]; } ;;
    link-to-device) # made here, never one of /dev
        mknod "$dir/zero" c 1 5 || { echo "skip: mknod is not allowed here"; continue; }
        ln -s zero "$dir/record.dat" && kept() { [[ -c $dir/zero ]]; } ;;
    esac
    out="$(play "$dir" 100 2>"$work/err")"
    status=$?
    if [[ $status -eq 0 && $out == *"Label4.Caption = \"$caption\""* && $out == *msgbox* ]] &&
        kept && [[ $(wc -l <"$work/err") -eq $warnings ]]; then
        pass "$kind named record.dat: kept as it should be, $warnings warning(s), the game goes on"
    else
        fail "$kind named record.dat (status $status): $out $(cat "$work/err")"
    fi
done

# A record another user may write but not read is never replaced by a score it could not see,
# through two games of one run, with one warning.
if [[ $(id -u) -eq 0 ]] && command -v setpriv >/dev/null; then
    dir="$work/unreadable"
    mkdir -p "$dir" && printf '1500\r\n' >"$dir/record.dat" && chmod 200 "$dir/record.dat"
    chown -R nobody "$dir" && chmod 711 "$work"
    out="$(cd "$dir" && printf 'open\nprint Label4.Caption\nkey q\nopen\nkey q\n' |
        timeout 10 setpriv --reuid=nobody --regid=nogroup --clear-groups "$replay" 2>"$work/err")"
    if [[ $? -eq 0 && $out == *'Label4.Caption = ""'* && $out != *record* &&
        $(bytes "$dir/record.dat") == '1500\r\n' &&
        $(grep -c 'cannot read the best score' "$work/err") -eq 1 ]]; then
        pass "no permission to read: empty best score, old record kept, one warning for two games"
    else
        fail "no permission to read: $out $(cat "$work/err")"
    fi
else
    echo "skip: the permission check needs root and setpriv"
fi

# Killed at random moments while every game over writes: the record is never torn or empty.
dir="$work/killed"
mkdir -p "$dir" && printf '40\r\n' >"$dir/record.dat"
{
    echo open
    echo 'set Label4.Caption ""'
    for ((i = 0; i < 4000; i++)); do printf 'score 50\ncall GameOver\n'; done
} >"$work/writer.txt"
torn=0
for ((run = 0; run < 300; run++)); do
    (cd "$dir" && exec "$replay" "$work/writer.txt" >/dev/null 2>&1) &
    pid=$!
    sleep "0.$(printf '%03d' $((RANDOM % 100 + 1)))"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    grep -qaxP '[0-9]+\r' "$dir/record.dat" && (($(wc -l <"$dir/record.dat") == 1)) ||
        { torn=$((torn + 1)); od -c "$dir/record.dat" | head -2; }
done
if ((torn == 0)); then
    pass "300 kills while writing: always a complete record"
else
    fail "$torn of 300 kills left a torn record"
fi

echo "$((checks - failures)) passed, $failures failed"
((failures == 0))
