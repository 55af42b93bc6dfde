#!/usr/bin/env bash
# Kill soak of the database (not run by CI): sessions that keep recording new
# bests, marks, deletions and switches are stopped at random moments, mostly
# with SIGKILL, now and then with SIGTERM or SIGHUP, and, when strace is
# installed, one run in three is killed by strace right before its K-th
# pwrite64, fdatasync, fsync or unlink. Each runs beside another session on
# the same database, which is left to end. After each stop the database must
# pass glomerix-db --check (as the next opening will see it), the next start
# must open it without an error, and pass the check again.
#
#   tools/soak_kill.sh [kills] [seconds] [build folder]    (300, 600, build)
#
# Prints one line per failure (the database is kept beside the line) and a
# summary; exits 1 when anything failed.
set -u
kills=${1:-300}
seconds=${2:-600}
build=${3:-build}
glomerix=$build/glomerix
check=$build/glomerix-db
[ -x "$glomerix" ] && [ -x "$check" ] || { echo "build $glomerix and $check first" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/glomerix-soak-XXXXXX")
export XDG_DATA_HOME=$work/data HOME=$work TERM=dumb LC_ALL=C
unset DISPLAY NO_COLOR
mkdir -p "$XDG_DATA_HOME"
db=$XDG_DATA_HOME/glomerix.dat
have_strace=0
command -v strace >/dev/null && have_strace=1

# A session of random commands, most of them changing the database.
session() {
    local i n
    for ((i = 0; i < 40; ++i)); do
        n=$((3 + RANDOM % 60))
        case $((RANDOM % 9)) in
            0 | 1 | 2) echo "nb $n"; echo "placer"; echo "relax $((RANDOM % 30))"; echo "info" ;;
            3) echo "nb $n"; echo "info"; echo "supprimer" ;;
            4) echo "marquer $([ $((RANDOM % 2)) = 0 ] && echo on || echo off)" ;;
            5) echo "mode axes $([ $((RANDOM % 2)) = 0 ] && echo on || echo off)" ;;
            6) echo "liste tout" ;;
            7) echo "nb $((3000 + RANDOM % 100))"; echo "info" ;;
            8) echo "charger ep" ;;
        esac
    done
    echo "quitter"
}

failures=0
done_kills=0
start=$SECONDS
fail() {
    failures=$((failures + 1))
    cp "$db" "$work/failed-$done_kills.dat" 2>/dev/null
    cp "$db-journal" "$work/failed-$done_kills.dat-journal" 2>/dev/null
    echo "kill $done_kills ($1): $2 (kept as $work/failed-$done_kills.dat)"
}

while ((done_kills < kills && SECONDS - start < seconds)); do
    session > "$work/commands"
    session > "$work/companion"
    "$glomerix" < "$work/companion" > "$work/companion.out" 2>&1 &
    companion=$!
    how=kill
    if ((have_strace && RANDOM % 3 == 0)); then
        how=strace
        # In a subshell that outlives it: the shell's "Killed" line goes nowhere.
        (strace -f -o /dev/null -e trace=pwrite64,fdatasync,fsync,unlink \
            -e inject=pwrite64,fdatasync,fsync,unlink:signal=SIGKILL:when=$((1 + RANDOM % 40)) \
            "$glomerix" < "$work/commands" > "$work/out" 2>&1; :) 2>/dev/null
    else
        "$glomerix" < "$work/commands" > "$work/out" 2>&1 &
        pid=$!
        sleep "0.$((RANDOM % 400))"
        case $((RANDOM % 10)) in
            0) how=SIGTERM; kill -TERM "$pid" 2>/dev/null ;;
            1) how=SIGHUP; kill -HUP "$pid" 2>/dev/null ;;
            *) kill -KILL "$pid" 2>/dev/null ;;
        esac
        wait "$pid" 2>/dev/null
    fi
    wait "$companion" 2>/dev/null
    grep -q "ERREUR" "$work/companion.out" &&
        fail "$how" "the other session: $(grep -m1 -A1 ERREUR "$work/companion.out" | tr '\n' ' ')"
    done_kills=$((done_kills + 1))
    [ -e "$db" ] || continue  # killed before the database was made: nothing to check
    "$check" --check "$db" > "$work/check" 2>&1 || { fail "$how" "$(grep -v '^file:' "$work/check" | head -3 | tr '\n' ' ')"; continue; }
    echo quitter | "$glomerix" > "$work/start" 2>&1
    grep -q -e "ERREUR" -e "Avertissement" "$work/start" &&
        { fail "$how" "next start: $(grep -m2 -e ERREUR -e Avertissement -A1 "$work/start" | tr '\n' ' ')"; continue; }
    "$check" --check "$db" > "$work/check" 2>&1 || fail "$how" "after the next start: $(tail -2 "$work/check" | tr '\n' ' ')"
done

echo "$done_kills stops in $((SECONDS - start)) s, $failures failure(s); counts on record: $("$check" "$db" 2>/dev/null | grep -c '  record [0-9]*: entry')"
if ((failures == 0)); then rm -rf "$work"; else echo "kept: $work"; fi
((failures == 0))
