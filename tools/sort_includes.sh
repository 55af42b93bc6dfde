#!/usr/bin/env bash
# Sorts the #include blocks of the files named (every tracked C and C++ file
# when none), as .clang-format orders them: the file's own header first, then
# <...>, then "...", each block alphabetical; every other line is left as it
# is. Re-run it after a merge.
#   sort_includes.sh [files]          sort in place
#   sort_includes.sh --check [files]  change nothing; name the files out of
#                                     order and fail if there is one
set -euo pipefail
cd "$(dirname "$0")/.."
verifier=0
if [ "${1:-}" = "--check" ]; then
  verifier=1
  shift
fi
if [ $# -eq 0 ]; then
  mapfile -t fichiers < <(git ls-files '*.cpp' '*.h' '*.c')
else
  fichiers=("$@")
fi
trie=$(mktemp)
trap 'rm -f "$trie"' EXIT
desordre=0
for f in "${fichiers[@]}"; do
  # clang-format sorts the include blocks that the given lines touch, and
  # formats only those lines.
  mapfile -t lignes < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$f" | cut -d: -f1 | sed 's/.*/--lines=&:&/')
  [ ${#lignes[@]} -gt 0 ] || continue
  clang-format --style=file "${lignes[@]}" "$f" > "$trie"
  cmp -s "$trie" "$f" && continue
  if [ "$verifier" -eq 1 ]; then
    echo "includes out of order: $f"
    desordre=1
  else
    cat "$trie" > "$f"
  fi
done
exit "$desordre"
