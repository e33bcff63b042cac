# Sourced by the scripts that run Windows programs: one Xvfb display and one
# persistent wineserver for the whole run, so that each Wine process starts in
# tens of milliseconds. wine_session_start exports DISPLAY and the Wine
# environment (wine-env.sh); wine_session_stop ends both.
here_session=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$here_session/scripts/wine-env.sh"

wine_session_start() {
  pv_wine_env "$here_session"
  if [[ -z "${PV_KEEP_DISPLAY:-}" || -z "${DISPLAY:-}" ]]; then
    # Xvfb chooses a free display number itself and writes it to the
    # descriptor of -displayfd once it accepts connections: no guessing from
    # lock files, which races with another session starting at the same time.
    local fifo_dir n=
    fifo_dir=$(mktemp -d)
    mkfifo "$fifo_dir/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo_dir/display" \
      >/dev/null 2>&1 &
    PV_XVFB_PID=$!
    read -r -t 30 n <"$fifo_dir/display" || true
    rm -rf "$fifo_dir"
    if [[ ! "$n" =~ ^[0-9]+$ ]]; then
      echo "wine-session: Xvfb did not start" >&2
      kill "$PV_XVFB_PID" 2>/dev/null || true
      unset PV_XVFB_PID
      return 1
    fi
    export DISPLAY=":$n"
    # Programs started inside the session (a test making a prefix of its own)
    # learn from this that the display has no window manager.
    export PV_NO_WINDOW_MANAGER=1
  fi
  mkdir -p "$WINEPREFIX"
  wineserver -p
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "preparing the Wine prefix $WINEPREFIX"
  fi
  wineboot -u >/dev/null 2>&1 || true
  # The viewer's dialogs ask for "ＭＳ Ｐゴシック" (proportional) and its
  # controls for "ＭＳ ゴシック" (fixed pitch); IPAPGothic and IPAGothic stand
  # in for them. Without this Wine draws the dialog texts in a fixed-pitch
  # font, too wide for their labels.
  local key='HKCU\Software\Wine\Fonts\Replacements'
  wine reg add "$key" /v 'ＭＳ Ｐゴシック' /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1 || true
  wine reg add "$key" /v 'ＭＳ ゴシック' /t REG_SZ /d IPAGothic /f >/dev/null 2>&1 || true
  # Wine draws the symbols of the caption buttons and scroll arrows with the
  # Marlett font. Debian's Wine does not look in its own font folder
  # (/usr/share/wine/fonts, from fonts-wine) but in the prefix's
  # C:\windows\Fonts and the fonts fontconfig knows, so without this link it
  # falls back to a text font and the buttons read "0 1 r".
  pv_link_marlett "$WINEPREFIX"
  # Our own Xvfb has no window manager. Wine then draws title bars itself and
  # does not wait (two seconds each time) for a manager to confirm that a
  # window was hidden. On the user's display the window manager takes over.
  local x11='HKCU\Software\Wine\X11 Driver'
  if [[ -n "${PV_NO_WINDOW_MANAGER:-}" ]]; then
    wine reg add "$x11" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  else
    wine reg delete "$x11" /v Managed /f >/dev/null 2>&1 || true
  fi
}

# Links Wine's Marlett into the prefix's font folder (see above).
pv_link_marlett() {
  local fonts="$1/drive_c/windows/Fonts"
  if [[ -f /usr/share/wine/fonts/marlett.ttf && -d "$fonts" ]]; then
    ln -sf /usr/share/wine/fonts/marlett.ttf "$fonts/marlett.ttf"
  fi
}

wine_session_stop() {
  wineserver -k 2>/dev/null || true
  if [[ -n "${PV_XVFB_PID:-}" ]]; then
    kill "$PV_XVFB_PID" 2>/dev/null || true
    wait "$PV_XVFB_PID" 2>/dev/null || true
    unset PV_XVFB_PID PV_NO_WINDOW_MANAGER
  fi
}
