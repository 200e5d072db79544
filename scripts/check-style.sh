#!/usr/bin/env bash
# The code's shape, checked by the test command: clang-format over every C++ file of the tree (the
# tree was formatted once; a file that differs fails), and clang-tidy (.clang-tidy's checks) over
# every product folder.
#   scripts/check-style.sh BUILD_DIR      BUILD_DIR holds compile_commands.json
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${1:?usage: check-style.sh BUILD_DIR}"
cd "$top"

mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find common shell browse keyboard music config platform apps tools tests bench -name '*.cpp' -o -name '*.h')
unformatted=()
for f in "${files[@]}"; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -ne 0 ]; then
  echo "check-style: not formatted (run: clang-format -i FILE): ${unformatted[*]}" >&2
  exit 1
fi
echo "check-style: ${#files[@]} files formatted"

# Every product folder: the logic, the adapters, the programs and the tools.
pattern="$top/(common|shell|browse|keyboard|music|config|platform|apps|tools)/.*\.cpp$"
start=$(date +%s)
run-clang-tidy -p "$build" -j "$(nproc)" -quiet "$pattern" >"$build/clang-tidy.log" 2>&1 || true
# Findings in the project's own files (the headers of the libraries it uses are not its to change).
findings=$(sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E "^$top/[^:]+:[0-9]+:[0-9]+: (warning|error):" | sort -u || true)
if [ -n "$findings" ]; then
  echo "$findings" | head -40 >&2
  echo "check-style: clang-tidy found the issues above (all of them in $build/clang-tidy.log)" >&2
  exit 1
fi
echo "check-style: clang-tidy clean in $(( $(date +%s) - start )) s"
