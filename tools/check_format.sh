#!/usr/bin/env bash
# Checks the C and C++ changed since the base, the merge base of HEAD with main
# (or origin/main, or origin's HEAD): the changed lines against .clang-format,
# the include order of each changed file whole. Lines nobody changed keep
# their layout. Without a base (a shallow clone, no main) it says so and
# passes. The diff it prints is what `git clang-format <base>` would apply.
set -euo pipefail
cd "$(dirname "$0")/.."
base=""
for ref in main origin/main origin/HEAD; do
  git rev-parse -q --verify "$ref^{commit}" >/dev/null || continue
  if base=$(git merge-base HEAD "$ref" 2>/dev/null); then break; fi
  base=""
done
if [ -z "$base" ]; then
  echo "format: no base to compare to (no main nor origin), nothing checked"
  exit 0
fi
mapfile -t fichiers < <(git diff --name-only --diff-filter=AMR "$base" -- '*.cpp' '*.h' '*.c')
echo "format: ${#fichiers[@]} file(s) changed since ${base:0:10}"
[ ${#fichiers[@]} -gt 0 ] || exit 0
statut=0
tools/sort_includes.sh --check "${fichiers[@]}" || statut=1
git clang-format --quiet --diff "$base" -- "${fichiers[@]}" > "${TMPDIR:-/tmp}/format.$$.diff" || statut=1
if [ -s "${TMPDIR:-/tmp}/format.$$.diff" ]; then
  echo "format: changed lines out of the style (apply with: git clang-format $base):"
  cat "${TMPDIR:-/tmp}/format.$$.diff"
  statut=1
fi
rm -f "${TMPDIR:-/tmp}/format.$$.diff"
exit "$statut"
