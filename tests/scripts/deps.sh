#!/usr/bin/env bash
# scripts/deps against stub dpkg-query, apt-get, sudo, service and id (the uid is faked),
# on a PATH that reaches nothing else: as root it runs apt-get itself, as a user through
# sudo, never interactively, and it asks for exactly the missing packages.
#   tests/scripts/deps.sh PROJECT_DIR
set -euo pipefail
deps=$1/scripts/deps
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
falhas=0
falha() { echo "FAIL: $*" >&2; falhas=$((falhas + 1)); }

mkdir "$tmp/bin"
# Installed: the packages named in $INSTALADOS.
cat >"$tmp/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
[[ " $INSTALADOS " == *" ${!#} "* ]] && printf 'install ok installed'
STUB
cat >"$tmp/bin/id" <<'STUB'
#!/usr/bin/env bash
echo "$UID_FALSO"
STUB
# Each command writes one line: its name, who runs it, the front end and its arguments.
for c in apt-get service; do
  cat >"$tmp/bin/$c" <<STUB
#!/usr/bin/env bash
echo "$c uid=\$UID_FALSO frontend=\${DEBIAN_FRONTEND:-} \$*" >>"\$REGISTRO"
STUB
done
# sudo: takes VAR=value words, then runs the command as root.
cat >"$tmp/bin/sudo" <<'STUB'
#!/usr/bin/env bash
echo "sudo $*" >>"$REGISTRO"
while [[ $# -gt 0 && $1 == -* ]]; do shift; done
while [[ $# -gt 0 && $1 == *=* ]]; do export "${1?}"; shift; done
UID_FALSO=0 exec "$@"
STUB
chmod +x "$tmp"/bin/*
for t in bash env grep; do ln -s "$(command -v "$t")" "$tmp/bin/$t"; done

# Runs scripts/deps as uid $1 with $2 installed; the log goes to $tmp/log, its output to $tmp/out.
rodar() {
  : >"$tmp/log"
  env -i PATH="$tmp/bin" UID_FALSO="$1" INSTALADOS="$2" REGISTRO="$tmp/log" "$deps" >"$tmp/out" 2>&1
}
linha() { grep -- "$1" "$tmp/log" || true; }

# Everything missing, as root: the full list, with no sudo anywhere.
rodar 0 "" || falha "as root: exit $? ($(cat "$tmp/out"))"
todos=$(linha "^apt-get uid=0 frontend=noninteractive install " | sed 's/.*--no-install-recommends //')
for p in build-essential firebird-dev firebird3.0-server qt6-base-dev tzdata shellcheck; do
  [[ " $todos " == *" $p "* ]] || falha "as root: $p not asked for: '$todos'"
done
[ -n "$(linha '^apt-get uid=0 frontend=noninteractive update')" ] || falha "as root: no apt-get update"
[ -z "$(linha '^sudo')" ] || falha "as root: sudo was used: $(cat "$tmp/log")"
[ -n "$todos" ] || exit 1
[ -n "$(linha '^service uid=0 .*firebird3.0 stop')" ] || falha "as root: the packaged server is not stopped"

# Some installed, as a user: only the others, every command through sudo and run as root.
read -r -a lista <<<"$todos"
instalados="${lista[0]} ${lista[2]} ${lista[${#lista[@]}-1]}"
esperado=$(for p in "${lista[@]}"; do [[ " $instalados " == *" $p "* ]] || printf '%s ' "$p"; done)
rodar 1000 "$instalados" || falha "as a user: exit $? ($(cat "$tmp/out"))"
pedido=$(linha "^apt-get uid=0 frontend=noninteractive install " | sed 's/.*--no-install-recommends //')
[ "$pedido " = "$esperado" ] || falha "as a user: asked for '$pedido', expected '$esperado'"
[ "$(linha '^sudo' | wc -l)" -eq 3 ] || falha "as a user: expected 3 sudo calls: $(cat "$tmp/log")"
[ -z "$(linha '^apt-get uid=1000')$(linha '^service uid=1000')" ] || falha "as a user: ran without sudo"

# Everything installed: nothing is run, as root or not.
for u in 0 1000; do
  rodar "$u" "$todos" || falha "all installed, uid $u: exit $?"
  [ ! -s "$tmp/log" ] || falha "all installed, uid $u: $(cat "$tmp/log")"
done

# A user without sudo: a clear refusal naming what is missing, nothing run.
rm "$tmp/bin/sudo"
if rodar 1000 ""; then falha "without sudo: exit 0"; fi
grep -q "sudo is not installed" "$tmp/out" || falha "without sudo: $(cat "$tmp/out")"
[ ! -s "$tmp/log" ] || falha "without sudo: $(cat "$tmp/log")"

[ "$falhas" -eq 0 ] && echo "scripts/deps: all cases passed"
exit "$falhas"
