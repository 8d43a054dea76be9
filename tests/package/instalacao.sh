#!/usr/bin/env bash
# Installation test of the Debian package, in a scratch root (dpkg --root, maintainer
# scripts run with DPKG_ROOT set, no chroot; the libraries come from this machine):
# control fields, file list, links, manual pages, desktop entry; the installed
# pravolt-admin makes the demo databases the example Parametros.ini names and the
# installed program, started through a link as from /usr/bin, shows its window on them;
# then upgrade, removal and purge keep the databases and treat Parametros.ini as the
# package promises.
#   tests/package/instalacao.sh build-package/package/pravolt_<version>_amd64.deb
set -uo pipefail
deb=$(readlink -f "${1:?usage: $0 PACKAGE.deb}")
fonte=$(cd "$(dirname "$0")/../.." && pwd)
T=$(mktemp -d /tmp/pravolt-pacote.XXXXXX)
R=$T/raiz
APP=$R/opt/pravolt
pid=""
encerrar() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  rm -rf "$T"
}
trap encerrar EXIT

falhas=0
falha() { echo "FAIL: $*"; falhas=$((falhas + 1)); }
# ok DESCRIPTION COMMAND...: the command must succeed.
ok() { local d=$1; shift; "$@" >"$T/saida" 2>&1 || { falha "$d"; sed 's/^/    /' "$T/saida" | tail -n 20; }; }
igual() { [ "$2" = "$3" ] || falha "$1: expected '$2', got '$3'"; }

versao=$(sed -n 's/^project(pravolt VERSION \([0-9]*\).*/\1/p' "$fonte/CMakeLists.txt")
mkdir -p "$R/var/lib/dpkg/info" "$R/var/lib/dpkg/updates" "$T/bin" "$T/run" "$T/lock"
touch "$R/var/lib/dpkg/status"
chmod 700 "$T/run"
# (dpkg looks for ldconfig and start-stop-daemon on the PATH, which for users lacks sbin)
dpkg_r() {
  PATH="$PATH:/usr/local/sbin:/usr/sbin:/sbin" dpkg --root="$R" --force-not-root --force-script-chrootless --force-depends "$@" >>"$T/dpkg.log" 2>&1 \
    || { falha "dpkg $*"; tail -n 20 "$T/dpkg.log"; }
}

# ---- the package itself ----------------------------------------------------------------
igual "Package" pravolt "$(dpkg-deb -f "$deb" Package)"
igual "Version (the build number)" "$versao" "$(dpkg-deb -f "$deb" Version)"
igual "Architecture" amd64 "$(dpkg-deb -f "$deb" Architecture)"
depende=$(dpkg-deb -f "$deb" Depends)
for p in firebird3.0-server-core libfbclient2 libqt6widgets6 libqt6printsupport6 libqt6gui6 libqt6core6 libcurl4 libstdc++6 adduser; do
  [[ ", $depende," == *", $p "* || ", $depende," == *", $p,"* ]] || falha "Depends lacks $p: $depende"
done
grep -q "^ Resumo: " <<<"$(dpkg-deb -f "$deb" Description)" || falha "the description has no Portuguese summary"

esperado="opt
opt/pravolt
opt/pravolt/libpravolt_cgccpf.so
opt/pravolt/pravolt
opt/pravolt/pravolt-admin
usr
usr/bin
usr/bin/pravolt -> /opt/pravolt/pravolt
usr/bin/pravolt-admin -> /opt/pravolt/pravolt-admin
usr/share
usr/share/applications
usr/share/applications/pravolt.desktop
usr/share/doc
usr/share/doc/pravolt
usr/share/doc/pravolt/changelog.gz
usr/share/doc/pravolt/configuration.md.gz
usr/share/doc/pravolt/copyright
usr/share/icons
usr/share/icons/hicolor
usr/share/icons/hicolor/scalable
usr/share/icons/hicolor/scalable/apps
usr/share/icons/hicolor/scalable/apps/pravolt.svg
usr/share/lintian
usr/share/lintian/overrides
usr/share/lintian/overrides/pravolt
usr/share/man
usr/share/man/man1
usr/share/man/man1/pravolt-admin.1.gz
usr/share/man/man1/pravolt.1.gz
usr/share/pravolt
usr/share/pravolt/Parametros.ini.example"
lista=$(dpkg-deb -c "$deb" | awk '{ $1=$2=$3=$4=$5=""; sub(/^ +/, ""); print }' | sed 's|^\./||; s|/$||' | grep -v '^$' | sort)
[ "$lista" = "$(sort <<<"$esperado")" ] || falha "file list:
$(diff <(sort <<<"$esperado") <(echo "$lista"))"

# ---- first installation ----------------------------------------------------------------
dpkg_r -i "$deb"
igual "link pravolt" /opt/pravolt/pravolt "$(readlink "$R/usr/bin/pravolt")"
igual "link pravolt-admin" /opt/pravolt/pravolt-admin "$(readlink "$R/usr/bin/pravolt-admin")"
for m in pravolt pravolt-admin; do
  pagina=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$R/usr/share/man/man1/$m.1.gz" 2>"$T/man.err")
  [ -s "$T/man.err" ] && falha "man $m: $(cat "$T/man.err")"
  grep -q "^NAME" <<<"$pagina" && grep -Eq "^ *$m +- " <<<"$pagina" || falha "man $m renders no NAME section"
done
grep -q '^Exec=pravolt$' "$R/usr/share/applications/pravolt.desktop" || falha "desktop entry: Exec"
grep -q '^Icon=pravolt$' "$R/usr/share/applications/pravolt.desktop" || falha "desktop entry: Icon"
zcat "$R/usr/share/doc/pravolt/configuration.md.gz" | grep -q '^## Configuration (Parametros.ini)$' \
  || falha "the configuration notes lack the README's section"

ok "a new installation gets the example Parametros.ini" cmp "$R/usr/share/pravolt/Parametros.ini.example" "$APP/Parametros.ini"
grep -q '^DB=MONO:PRAVOLT.FDB' "$APP/Parametros.ini" || falha "the example names no MONO: database"
igual "mode of bdados/" 2770 "$(stat -c %a "$APP/bdados")"

# The installed tool makes the databases the example names and leaves the file alone.
export FIREBIRD_LOCK=$T/lock
ok "pravolt-admin demo" "$APP/pravolt-admin" demo "$APP"
grep -q "Parametros.ini already exists and was not changed" "$T/saida" || falha "demo changed Parametros.ini: $(cat "$T/saida")"
ok "Parametros.ini unchanged by demo" cmp "$R/usr/share/pravolt/Parametros.ini.example" "$APP/Parametros.ini"
ok "demo databases in bdados/" test -s "$APP/bdados/PRAVOLT.FDB" -a -s "$APP/bdados/ACESSO.FDB"

# The program started through a link, as from /usr/bin: it must read the Parametros.ini of
# its real folder and open the MONO: databases. Its window is up when the main frame has
# registered and its event loop has answered a request to come to the front (the frame
# polls for it once a second).
ln -s "$APP/pravolt" "$T/bin/pravolt"
env -u PRAVOLT_CONFIG_DIR QT_QPA_PLATFORM=offscreen PRAVOLT_MENSAGENS=stderr XDG_RUNTIME_DIR="$T/run" \
  "$T/bin/pravolt" 2>"$T/pravolt.err" &
pid=$!
janela="$T/run/janela.$(id -u).$pid"
aberta=0
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || break
  if [ -f "$janela" ] && [ ! -e "$janela.frente" ] && [ $aberta -eq 0 ]; then : >"$janela.frente"; aberta=1
  elif [ $aberta -eq 1 ] && [ ! -e "$janela.frente" ]; then aberta=2; break; fi
  sleep 0.1
done
[ $aberta -eq 2 ] || falha "the installed program showed no window within 60 s"
kill -0 "$pid" 2>/dev/null || falha "the installed program ended"
if grep -E '^[^|]+\|[^|]*\|' "$T/pravolt.err" >"$T/mensagens"; then
  falha "the program showed messages at start-up: $(cat "$T/mensagens")"
fi
kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=""

# ---- upgrade, removal, purge -------------------------------------------------------------
echo "; changed by the technician" >>"$APP/Parametros.ini"
cp "$APP/Parametros.ini" "$T/configuracao"
mkdir "$T/novo"
dpkg-deb -R "$deb" "$T/novo/p" && sed -i "s/^Version: .*/Version: $((versao + 1))/" "$T/novo/p/DEBIAN/control" \
  && dpkg-deb -b "$T/novo/p" "$T/novo/pravolt.deb" >/dev/null || falha "cannot make a newer package"
dpkg_r -i "$T/novo/pravolt.deb"
ok "an upgrade keeps Parametros.ini" cmp "$T/configuracao" "$APP/Parametros.ini"
dpkg_r -r pravolt
ok "removal removes the program" test ! -e "$APP/pravolt" -a ! -e "$R/usr/bin/pravolt"
ok "removal keeps Parametros.ini" cmp "$T/configuracao" "$APP/Parametros.ini"
dpkg_r -P pravolt
ok "purge removes Parametros.ini" test ! -e "$APP/Parametros.ini"
ok "purge keeps the databases" test -s "$APP/bdados/PRAVOLT.FDB" -a -s "$APP/bdados/ACESSO.FDB"
# A new installation that finds a Parametros.ini keeps it.
cp "$T/configuracao" "$APP/Parametros.ini"
dpkg_r -i "$deb"
ok "an installation keeps an existing Parametros.ini" cmp "$T/configuracao" "$APP/Parametros.ini"

if [ $falhas -ne 0 ]; then
  echo "package installation test: $falhas failure(s)"
  exit 1
fi
echo "package installation test: passed ($(basename "$deb"))"
