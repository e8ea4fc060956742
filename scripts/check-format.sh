#!/usr/bin/env bash
# Fails when a C++ source is not formatted as .clang-format says.
#   scripts/check-format.sh            every source of the tree
#   FORMAT_BASE=main scripts/check-format.sh   only the sources changed since that commit
#                                              (committed or not)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -n "${FORMAT_BASE:-}" ]; then
  base=$(git merge-base HEAD "$FORMAT_BASE")
  mapfile -t files < <({ git diff --name-only --diff-filter=d "$base"; git ls-files --others --exclude-standard; } |
                       grep -E '^(src|tests|bench|fuzz)/.*\.(cpp|h)$' | sort -u)
else
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- src tests bench fuzz |
                       grep -E '\.(cpp|h)$')
fi
[ ${#files[@]} -gt 0 ] || { echo "format: no sources to check"; exit 0; }
clang-format --dry-run --Werror "${files[@]}"
echo "format: ${#files[@]} sources checked"
