#!/usr/bin/env bash
# Runs ShellCheck on every shell script of the project: scripts/, .ci/run and these tests.
#   tests/scripts/shellcheck.sh PROJECT_DIR
set -euo pipefail
cd "$1"
command -v shellcheck >/dev/null || { echo "FAIL: shellcheck is not installed (scripts/deps installs it)" >&2; exit 1; }
arquivos=()
for f in scripts/* .ci/run tests/scripts/*.sh; do
  [ -f "$f" ] && head -n 1 "$f" | grep -Eq '^#!.*(ba)?sh( |$)' && arquivos+=("$f")
done
[ ${#arquivos[@]} -gt 0 ] || { echo "FAIL: no scripts found" >&2; exit 1; }
shellcheck "${arquivos[@]}"
echo "shellcheck: ${#arquivos[@]} scripts clean"
