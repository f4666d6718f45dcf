#!/bin/sh
# Runs a Windows program under Wine in its own virtual X server:
#   wine-run.sh PREFIX --setup              creates the Wine prefix if missing
#   wine-run.sh PREFIX LOG PROGRAM ARGS...  runs PROGRAM, Wine's messages to LOG
# The prefix has unmanaged windows (no window manager runs), no crash dialog, no Mono or Gecko prompts,
# and window frames wider than Wine's usual 4 pixels, so that the platform's own maximized position
# differs from the one the program sets.
set -eu
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
shift
if [ "$1" = --setup ]; then
  [ -f "$WINEPREFIX/.facemeld-ready-2" ] && exit 0
  rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX" && wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Desktop\WindowMetrics' /v BorderWidth /d 5 /f >/dev/null 2>&1
  wineserver -w && touch "$WINEPREFIX/.facemeld-ready-2" && exit 0
fi
log="$1" status=0
shift
LOG="$log" xvfb-run -a -s "-screen 0 1024x768x24" \
  sh -c 'wine "$@" 2>"$LOG"; status=$?; wineserver -k 2>/dev/null; exit $status' wine-run "$@" || status=$?
if [ "$status" -ne 0 ]; then
  echo "exit status $status; Wine said:"
  grep -v -e ':Call ' -e ':Ret ' -e ':trace:' -e 'Read access denied for device' "$log" | tail -n 20
fi
exit "$status"
