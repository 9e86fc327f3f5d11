#!/usr/bin/env bash
# Static analysis of the project's sources: cppcheck, then clang-tidy with
# the checks listed in .clang-tidy. Exits non-zero on any finding.
# Usage: tools/lint.sh [build-dir]   (default build-lint; only configured)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-lint}

# Configuring is enough: both tools read the compile commands.
cmake -S . -B "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null

echo "== cppcheck"
cppcheck --project="$dir/compile_commands.json" --library=googletest \
  --enable=warning,performance,portability --suppress=missingIncludeSystem \
  --inline-suppr --quiet --error-exitcode=1 -j2 \
  --template='{file}:{line}: {severity}: {message} [{id}]'

echo "== clang-tidy"
run-clang-tidy -p "$dir" -j2 -quiet >"$dir/clang-tidy.log" 2>&1 || {
  sed 's/\x1b\[[0-9;]*m//g' "$dir/clang-tidy.log" | grep -E 'warning:|error:' | sort -u
  exit 1
}
echo "lint: clean"
