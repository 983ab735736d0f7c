#!/usr/bin/env bash
# The record file under faults that need a real process, another user or a device: a FIFO,
# links to a 600 file and to a device, a folder the game may not write, a record it may not
# read, a game killed while writing, and two games writing at once. The file must always hold
# a complete old or new value, and the game must never stop or block.
set -uo pipefail
replay="${ZELTO_BUILD_DIR:?}/zelto-replay"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
checks=0
pass() { checks=$((checks + 1)); echo "ok: $1"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "FAILED: $1"; }

# A whole record line, or the empty file that the first start-up creates.
valid_record() { [[ ! -s "$1" ]] || { grep -qaxP '[0-9]+\r' "$1" && [[ $(wc -l <"$1") -le 1 ]]; }; }

# Runs a short game in a folder: open, score, game over, quit. Prints the caption it read.
play() {
    local folder="$1" points="$2"
    (cd "$folder" && printf 'open\nprint Label4.Caption\nscore %s\ncall GameOver\nkey q\n' "$points" |
        timeout 10 "$replay")
}

# --- Odd things named record.dat, and links ---------------------------------------------------
# A game that scores 100 in each folder; kept() says what must stand there afterwards. Only a
# regular file, or a link leading nowhere, may be replaced; anything else gets one warning.
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
            $(od -An -c "$dir/best" | tr -d ' \n') == '100\r\n' ]]; } ;;
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

# --- A folder the game may not write ---------------------------------------------------------
if [[ $(id -u) -eq 0 ]] && command -v setpriv >/dev/null; then
    dir="$work/locked"
    mkdir -p "$dir" && printf '1500\r\n' >"$dir/record.dat" && chmod 755 "$dir" && chmod 644 "$dir/record.dat"
    chmod 711 "$work"
    out="$(cd "$dir" && printf 'open\nprint Label4.Caption\nscore 1600\ncall GameOver\nkey q\n' |
        timeout 10 setpriv --reuid=nobody --regid=nogroup --clear-groups "$replay" 2>"$work/err")"
    if [[ $? -eq 0 && $(od -An -c "$dir/record.dat" | tr -d ' \n') == '1500\r\n' ]] &&
        grep -q 'cannot save the best score' "$work/err"; then
        pass "no permission to write: old record kept, a warning, the game goes on"
    else
        fail "no permission to write: $out $(cat "$work/err")"
    fi
    # A record the game may write but not read is never replaced by a score it could not see.
    chown nobody "$dir" && chmod 200 "$dir/record.dat"
    out="$(cd "$dir" && printf 'open\nprint Label4.Caption\nkey q\nopen\nkey q\n' |
        timeout 10 setpriv --reuid=nobody --regid=nogroup --clear-groups "$replay" 2>"$work/err")"
    if [[ $? -eq 0 && $out == *'Label4.Caption = ""'* && $out != *record* &&
        $(od -An -c "$dir/record.dat" | tr -d ' \n') == '1500\r\n' &&
        $(grep -c 'cannot read the best score' "$work/err") -eq 1 ]]; then
        pass "no permission to read: empty best score, old record kept, one warning for two games"
    else
        fail "no permission to read: $out $(cat "$work/err")"
    fi
else
    echo "skip: permission checks need root and setpriv"
fi

# --- Killed at random moments while writing ------------------------------------------------
dir="$work/killed"
mkdir -p "$dir"
writer_script="$work/writer.txt"
{
    # Each run starts its best score from nothing, so that every game over writes.
    echo open
    echo 'set Label4.Caption ""'
    for ((i = 0; i < 4000; i++)); do
        echo "score 50"
        echo "call GameOver"
    done
} >"$writer_script"
torn=0
for ((run = 0; run < 300; run++)); do
    (cd "$dir" && exec "$replay" "$writer_script" >/dev/null 2>&1) &
    pid=$!
    sleep "0.$(printf '%03d' $((RANDOM % 100 + 1)))"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    valid_record "$dir/record.dat" || { torn=$((torn + 1)); od -c "$dir/record.dat" | head -2; }
done
if ((torn == 0)); then
    pass "300 kills while writing: always a complete record (last $(tr -d '\r\n' <"$dir/record.dat"))"
else
    fail "$torn of 300 kills left a torn record"
fi

# --- Two games writing in one folder -------------------------------------------------------
dir="$work/two"
mkdir -p "$dir"
head -n 1202 "$writer_script" >"$work/short.txt"
(cd "$dir" && "$replay" "$work/short.txt" >/dev/null 2>&1) &
first=$!
(cd "$dir" && "$replay" "$work/short.txt" >/dev/null 2>&1) &
second=$!
bad=0
reads=0
while kill -0 "$first" 2>/dev/null || kill -0 "$second" 2>/dev/null; do
    valid_record "$dir/record.dat" || bad=$((bad + 1))
    reads=$((reads + 1))
done
wait "$first" "$second"
leftovers=$(find "$dir" -name '.record.dat.*' | wc -l)
if ((bad == 0 && leftovers == 0)) && valid_record "$dir/record.dat"; then
    pass "two games writing at once: $reads reads, never a torn or mixed file"
else
    fail "two games writing at once: $bad bad reads, $leftovers temporary files left"
fi

echo "$((checks - failures)) passed, $failures failed"
((failures == 0))
