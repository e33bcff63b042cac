# The Wine environment of the project's Windows programs, in one place.
# Sourced (POSIX sh) by scripts/wine-run and scripts/wine-session.sh.
#
# pv_wine_env ROOT [keep] exports
#   WINEPREFIX        the caller's, else the project's own ROOT/build/wineprefix;
#   WINEDEBUG         -all: no debug chatter on the programs' standard error;
#   WINEDLLOVERRIDES  mscoree and mshtml off: no offer to install Mono or Gecko;
#   LC_ALL            ja_JP.UTF-8: the ANSI code page becomes 932, since the
#                     viewer's texts and piece names are Shift-JIS.
# With "keep" a WINEDEBUG or WINEDLLOVERRIDES the caller has set stays (a
# developer turning on a debug channel for one run of wine-run); without it
# both are set, as the test session needs them: the tests read the programs'
# standard error.
pv_wine_env() {
  if [ "${2:-}" != keep ]; then
    unset WINEDEBUG WINEDLLOVERRIDES
  fi
  export WINEPREFIX="${WINEPREFIX:-$1/build/wineprefix}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  export LC_ALL=ja_JP.UTF-8
}
