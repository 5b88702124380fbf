#!/bin/sh
# Installs every Debian 12 package that building, running and testing Korvex needs.
# Safe to run again: apt-get skips what is already there. Runs as root or through sudo.
set -eu

packages="
  g++ cmake make pkgconf
  qt6-base-dev libcups2-dev
  libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev clang-format clang-tidy
  qt6-translations-l10n
  fonts-liberation fonts-dejavu-core
  poppler-utils
  libqpdf-dev qpdf python3-jsonschema
  xvfb xauth xdotool x11-utils desktop-file-utils openbox
  pxlib-dev python3 python3-dbf python3-dbfread
  fp-compiler fp-units-db fp-units-fcl
  cups-daemon cups-client
  postgresql-15 libqt6sql6-psql libqt6sql6-sqlite sqlite3
  mariadb-server libqt6sql6-mysql
  firebird3.0-server-core firebird3.0-utils libfbclient2 libqt6sql6-ibase
  unixodbc unixodbc-dev odbc-postgresql libsqliteodbc
  debhelper dpkg-dev fakeroot lintian appstream man-db bash-completion
"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q --no-install-recommends $missing
