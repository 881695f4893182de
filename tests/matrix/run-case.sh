#!/usr/bin/env bash
# One case of the Windows version matrix, in a private copy of a pristine Wine prefix:
#
#   run-case.sh BUILD-DIR SOURCE-DIR VERSION MODE
#
# VERSION is a Wine version name (win95, win98, winme, nt40, win2k, winxp, win7), MODE is
# "quiet" (unattended installation) or "wizard" (the wizard walked page by page). Wine
# reports a Windows version per program name, and setup.exe must keep its name (the
# uninstall entries start the installed copy, "setup.exe", too), so the version cannot be
# given to setup.exe in the shared test prefix without changing it for every other test.
#
# In this order: make the pristine prefix once per build (tools/make-prefix, serialised
# by its lock, so parallel cases wait for one another); copy it to a folder of this case;
# start the copy's own persistent wineserver, which is stopped by the exit trap whatever
# happens; give setup.exe the version there; run matrix_test.exe inside the copy, which
# lays out the package, installs and removes it and checks every step; restart the copy
# (a new server) and let matrix_test.exe check what the restart deleted; print the
# output; remove the copy. The server must stay up from the first run of setup.exe to the
# last check before the restart: a new server is a new boot for Wine, which carries out
# the deletions that the removal scheduled for the restart. Every step is bounded.
set -u

build=${1:?usage: run-case.sh BUILD-DIR SOURCE-DIR VERSION MODE}
source=${2:?usage: run-case.sh BUILD-DIR SOURCE-DIR VERSION MODE}
version=${3:?usage: run-case.sh BUILD-DIR SOURCE-DIR VERSION MODE}
mode=${4:?usage: run-case.sh BUILD-DIR SOURCE-DIR VERSION MODE}

pristine=$build/matrix-pristine
work=$build/matrix-$version-$mode
prefix=$work/prefix
started=$SECONDS

export WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
# The wizard's English cases rely on the user's language being English on the Windows 95
# family, where the program leaves the thread locale alone; Wine takes it from here.
export LC_ALL=C.UTF-8

# Stops the copy's own server (and with it every program of the copy: services, the
# desktop) and waits until it is gone, then removes the copy.
stop_prefix() {
  if [ -d "$prefix" ]; then
    WINEPREFIX=$prefix timeout 30 wineserver -k </dev/null >/dev/null 2>&1
    WINEPREFIX=$prefix timeout 30 wineserver -w </dev/null >/dev/null 2>&1
  fi
  rm -rf "$work"
}

if ! timeout 300 "$source/tools/make-prefix" "$pristine"; then
  echo "FAIL - could not make the pristine prefix $pristine"
  exit 1
fi

# A copy left by a run that was killed before its trap ran.
stop_prefix
trap stop_prefix EXIT
trap 'exit 1' INT TERM HUP
mkdir -p "$work"
if ! timeout 120 cp -a "$pristine" "$prefix" || [ ! -f "$prefix/.setup-ready" ]; then
  echo "FAIL - could not copy $pristine"
  exit 1
fi
export WINEPREFIX=$prefix
timeout 30 wineserver -p </dev/null >/dev/null 2>&1
# The first program of a new server boots Wine. Seen once in some two hundred cases: that
# first program (then matrix_test.exe, right after the restart) crashed in the wine loader
# on its way out, after its test had passed. So reg.exe boots the copy, and its exit
# status is not taken: matrix_test.exe checks the version setting itself.
timeout 120 wine reg add 'HKCU\Software\Wine\AppDefaults\setup.exe' /v Version /d "$version" /f \
  </dev/null >/dev/null 2>&1

# Runs one test of matrix_test.exe inside the copy. Its output goes to a file rather than
# to ctest's pipe: Wine's desktop process, started by the first program that needs it,
# inherits its starter's output and would hold the pipe open until the server stops.
run_test() {  # run_test TEST-NAME SECONDS
  local status
  timeout "$2" wine "$build/tests/matrix_test.exe" "--case=$version.$mode" "--gtest_filter=Matrix.$1" \
    </dev/null >"$work/output.txt" 2>&1
  status=$?
  tr -d '\r' <"$work/output.txt"
  # Seen about once in two hundred cases: Wine's loader crashes in matrix_test.exe on its
  # way out, after the test has passed and printed so. The verdict is the test's own.
  if [ "$status" != 0 ] && [ "$status" != 124 ] && grep -q '^\[  PASSED  \] 1 test' "$work/output.txt" \
    && ! grep -q '^\[  FAILED  \]' "$work/output.txt"; then
    echo "note - matrix_test.exe ended with status $status after its test had passed"
    status=0
  fi
  if [ "$status" = 124 ]; then
    echo "FAIL - matrix_test.exe did not end within $2 seconds"
  elif [ "$status" -gt 128 ]; then
    echo "FAIL - matrix_test.exe ended with status $status (a signal)"
  fi
  return "$status"
}

run_test InstallAndRemoveThePackage 300
status=$?
if [ "$status" = 0 ]; then
  # The restart that the removal asked for: a new server is a new boot for Wine, which
  # carries out the deletions scheduled for it (wininit.ini, PendingFileRenameOperations).
  WINEPREFIX=$prefix timeout 30 wineserver -k </dev/null >/dev/null 2>&1
  WINEPREFIX=$prefix timeout 30 wineserver -w </dev/null >/dev/null 2>&1
  timeout 30 wineserver -p </dev/null >/dev/null 2>&1
  # The boot, by a program whose exit status is not taken (see above).
  timeout 120 wine reg query 'HKCU\Software\Wine\AppDefaults\setup.exe' </dev/null >/dev/null 2>&1
  run_test TheRestartCompletesTheRemoval 60
  status=$?
fi
echo "matrix.$version.$mode took $((SECONDS - started)) seconds"
exit "$status"
