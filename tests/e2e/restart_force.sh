#!/usr/bin/env bash
# The restart at the end of a run, done for real in a private copy of the test prefix: a
# restart ends the Wine session, which in the shared prefix would hit every other test.
#
#   restart_force.sh BUILD-DIR WINE-RUN
#
# setup.exe runs unattended from a medium whose install section says "Reboot=1", so the
# run needs a restart. What Wine does then is read from Wine itself:
#  - Wine's ExitWindowsEx(EWX_REBOOT) starts "wineboot --end-session", which ends the
#    session and then does what a restart does, among it running the RunOnce entries. A
#    RunOnce entry registered before each run starts the Exec test program, which writes
#    a "start" line to a log: one more line means one more restart.
#  - Wine's relay trace, limited to a few functions called by setup.exe, shows the
#    shutdown privilege step and the ExitWindowsEx call with their arguments, in order.
# The private prefix keeps one wineserver for all runs: every start of a new server is a
# boot for Wine, which runs the RunOnce entries too. After each run the script waits
# until no program of the private prefix is left but Wine's own services (ExitWindowsEx
# has started wineboot before setup.exe ends, and wineboot waits for the RunOnce
# program), so no check depends on timing; every wait has a limit. Prints one line per
# check and fails when any check fails.
set -u

build=${1:?usage: restart_force.sh BUILD-DIR WINE-RUN}
wine_run=${2:?usage: restart_force.sh BUILD-DIR WINE-RUN}

work=$(mktemp -d /tmp/setup-restart-force.XXXXXX)
prefix=$work/prefix
medium=$work/medium
log=$medium/restart.log
failures=0

# Stops only the private prefix's own wineserver, then removes the copy.
cleanup() {
  WINEPREFIX=$prefix timeout 30 wineserver -k </dev/null >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "ok   - $what"
  else
    echo "FAIL - $what"
    failures=$((failures + 1))
  fi
}

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# A Windows program in the private prefix (WINEDEBUG as the caller sets it).
in_prefix() { SETUP_WINEPREFIX=$prefix timeout 120 "$wine_run" "$@" </dev/null; }

# Waits (at most two minutes) until no process of the private prefix is left but Wine's
# own services; true when that happened.
settle() {
  local deadline=$((SECONDS + 120)) busy pid
  while [ "$SECONDS" -lt "$deadline" ]; do
    busy=0
    for pid in $(pgrep -f -i 'wineboot|exec_fixture|setup\.exe|driver\.exe|reg\.exe|start\.exe|conhost'); do
      # A process that ended meanwhile has no environment left to read.
      if { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$prefix"; then busy=1; fi
    done
    [ "$busy" = 0 ] && return 0
    sleep 0.2
  done
  echo "FAIL - programs of the private prefix still run after two minutes"
  failures=$((failures + 1))
  return 1
}

runonce='HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'
arm() {
  in_prefix reg add "$runonce" /v SetupRestartTest /f \
    /d "\"$(windows_path "$medium/exec_fixture.exe")\" $(windows_path "$log")" >/dev/null 2>&1
  settle
}
armed() { in_prefix reg query "$runonce" /v SetupRestartTest >/dev/null 2>&1; }
restarts() { if [ -f "$log" ]; then grep -c '^start' "$log"; else echo 0; fi; }

# run_setup ANSWER ARGS...: setup.exe through the driver, which prints a "BOX ..." line
# for every message box (answered with button ANSWER) and "EXIT code=N" at the end.
run_setup() {
  local answer=$1
  shift
  in_prefix "$build/tests/driver.exe" --timeout 30000 --answer "$answer" -- \
    "$(windows_path "$medium/setup.exe")" "$@" 2>"$work/trace.txt" | tr -d '\r' >"$work/driver.txt"
  settle
}
no_box() { ! grep -q '^BOX ' "$work/driver.txt"; }
one_box() { [ "$(grep -c '^BOX ' "$work/driver.txt")" = 1 ]; }
ended_with_0() { grep -qx 'EXIT code=0' "$work/driver.txt"; }
restarts_are() { [ "$(restarts)" = "$1" ]; }

# The relay lines of setup.exe's main thread (the one that loads riched32.dll at start,
# from the system folder), one call a line, with the pointers before quoted texts removed.
setup_calls() {
  local thread
  thread=$(grep -m1 -i -E '^[0-9a-f]+:Call KERNEL32\.LoadLibraryA\([0-9a-f]{8} "[^"]*\\riched32\.dll"\)' "$work/trace.txt" \
    | cut -d: -f1)
  [ -n "$thread" ] || return 0
  grep -E "^$thread:Call " "$work/trace.txt" \
    | sed -E 's/^[0-9a-f]+:Call //; s/ ret=[0-9a-f]+$//; s/[0-9a-f]{8} "/"/g' \
    | grep -E '^[A-Za-z0-9_]+\.[A-Za-z0-9_]+\(' | grep -i -E 'advapi32|ExitWindowsEx'
}
# calls_match PATTERN...: the restart's calls are exactly these, in this order.
calls_match() {
  local calls line i=0
  mapfile -t calls < <(setup_calls)
  [ "${#calls[@]}" = "$#" ] || { printf '       seen: %s\n' "${calls[@]}"; return 1; }
  for line in "${calls[@]}"; do
    i=$((i + 1))
    [[ $line =~ ${!i} ]] || { printf '       seen: %s\n' "${calls[@]}"; return 1; }
  done
}

# ---- The private prefix and the medium ----

# Files that tests running meanwhile remove from the shared prefix may be missing from
# the copy; none of them is needed here.
cp -a "$build/wineprefix" "$prefix" 2>/dev/null
if [ ! -f "$prefix/system.reg" ] || [ ! -f "$prefix/.setup-ready" ]; then
  echo "FAIL - could not copy $build/wineprefix"
  exit 1
fi
# The private prefix's own server, kept for all runs; its first program boots Wine.
WINEPREFIX=$prefix timeout 30 wineserver -p </dev/null >/dev/null 2>&1
mkdir -p "$medium"
cp "$build/setup.exe" "$build/tests/exec_fixture.exe" "$medium/"
printf '[Version]\r\nSignature="$Chicago$"\r\n[Install]\r\nReboot=1\r\n' >"$medium/setup.inf"
in_prefix reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /f \
  /d 'kernel32.LoadLibraryA;advapi32.OpenProcessToken;advapi32.LookupPrivilegeValueA;advapi32.AdjustTokenPrivileges;user32.ExitWindowsEx' \
  >/dev/null 2>&1
in_prefix reg add 'HKCU\Software\Wine\Debug' /v RelayFromInclude /d 'setup' /f >/dev/null 2>&1
settle
arm
check "the RunOnce entry is registered before the runs" armed

# ---- /reboot:0 and /reboot:1 answered No: no restart ----

run_setup 7 /quiet /reboot:0
check "/reboot:0: no box" no_box
check "/reboot:0: setup.exe ends with 0" ended_with_0
check "/reboot:0: no restart" restarts_are 0

run_setup 7 /quiet
check "/reboot:1: one box, the restart prompt" one_box
check "/reboot:1: setup.exe ends with 0 after No" ended_with_0
check "/reboot:1: No restarts nothing" restarts_are 0
check "/reboot:1: No leaves the RunOnce entry" armed

# ---- /reboot:2 on the NT family: privilege, then ExitWindowsEx, without asking ----

WINEDEBUG=-all,+relay run_setup 7 /quiet /reboot:2
check "/reboot:2: no box" no_box
check "/reboot:2: setup.exe ends with 0" ended_with_0
check "/reboot:2: Windows restarted (the RunOnce program ran)" restarts_are 1
check "/reboot:2: the restart consumed the RunOnce entry" eval '! armed'
check "/reboot:2: advapi32 loaded from the system folder, token opened with 0x28, SeShutdownPrivilege enabled, then ExitWindowsEx(EWX_REBOOT, 0)" \
  calls_match \
  '^KERNEL32\.LoadLibraryA\("[A-Za-z]:\\\\[^"]*\\\\advapi32\.dll"\)$' \
  '^advapi32\.OpenProcessToken\(ffffffff,00000028,[0-9a-f]{8}\)$' \
  '^advapi32\.LookupPrivilegeValueA\(00000000,"SeShutdownPrivilege",[0-9a-f]{8}\)$' \
  '^advapi32\.AdjustTokenPrivileges\([0-9a-f]{8},00000000,[0-9a-f]{8},00000000,00000000,00000000\)$' \
  '^user32\.ExitWindowsEx\(00000002,00000000\)$'

# ---- /reboot:1 answered Yes: the system restarts ----

arm
run_setup 6 /quiet
check "/reboot:1, Yes: one box" one_box
check "/reboot:1, Yes: setup.exe ends with 0" ended_with_0
check "/reboot:1, Yes: Windows restarted" restarts_are 2

# ---- /reboot:2 on the Windows 95 family: no security functions at all ----

arm
in_prefix reg add 'HKCU\Software\Wine\AppDefaults\setup.exe' /v Version /d win98 /f >/dev/null 2>&1
settle
WINEDEBUG=-all,+relay run_setup 7 /quiet /reboot:2
check "/reboot:2 on Windows 98: no box" no_box
check "/reboot:2 on Windows 98: setup.exe ends with 0" ended_with_0
check "/reboot:2 on Windows 98: Windows restarted" restarts_are 3
check "/reboot:2 on Windows 98: ExitWindowsEx(EWX_REBOOT, 0) alone, advapi32 not loaded" \
  calls_match '^user32\.ExitWindowsEx\(00000002,00000000\)$'

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
