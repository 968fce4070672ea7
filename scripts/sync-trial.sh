#!/usr/bin/env bash
# Keyloft in a database folder kept in sync by a file-sync engine: two Syncthing instances (Debian's
# package) on this machine, each with its own copy of one folder, talking over 127.0.0.1 only (no
# discovery, relays, reporting or upgrades). keyloft-cli works on each side as a user of that
# machine would, and at the end every entry saved on either side must be in the profile on both.
#
# Cases, ROUNDS times each (default 3):
#   together   an entry added on A and one on B while the two are apart; the engine leaves a
#              conflict copy; `merge` on one side brings both entries into the profile
#   held       a command on A holds the profile while B's newer file is synced in: A's save is a
#              conflict (exit 4) and writes nothing; B's entry stays
# Usage: scripts/sync-trial.sh [ROUNDS]   (KEYLOFT_CLI: the tool to try, default build/bin/keyloft-cli)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
cli=$(realpath "${KEYLOFT_CLI:-build/bin/keyloft-cli}")
if ! [[ "$rounds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/sync-trial.sh [ROUNDS]" >&2
  exit 2
fi
if [ ! -x "$cli" ]; then
  echo "sync-trial.sh: $cli is missing: build first" >&2
  exit 2
fi
if ! scripts/setup.sh syncthing curl; then
  echo "sync-trial.sh: skipped: Syncthing could not be installed here" >&2
  exit 0
fi

work=$(mktemp -d)
pids=()
finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

fail() {
  echo "sync-trial.sh: FAILED: $*" >&2
  for side in a b; do
    echo "--- side $side: $(ls "$work/$side/db" 2>/dev/null | tr '\n' ' ')" >&2
  done
  exit 1
}

# A free TCP port on 127.0.0.1, found by the kernel.
free_port() {
  local port
  for port in $(shuf -i 20000-60000 -n 50); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return
    fi
  done
  fail "no free port"
}

declare -A api_port listen_port device_id
key=keyloft-sync-trial
api() {  # api SIDE METHOD PATH [JSON]
  local side=$1 method=$2 path=$3 data=${4:-}
  curl -sS --fail --max-time 60 -X "$method" -H "X-API-Key: $key" \
    ${data:+-H "Content-Type: application/json" --data "$data"} "http://127.0.0.1:${api_port[$side]}$path"
}

for side in a b; do
  mkdir -p "$work/$side/db"
  syncthing generate --home="$work/$side/home" --no-default-folder >/dev/null 2>&1
  device_id[$side]=$(syncthing serve --home="$work/$side/home" --device-id)
  api_port[$side]=$(free_port)
  listen_port[$side]=$(free_port)
  # Only this machine: no announcements, relays, port mapping, usage reports or upgrades.
  sed -i -E \
    -e "s#<listenAddress>[^<]*</listenAddress>#<listenAddress>tcp://127.0.0.1:${listen_port[$side]}</listenAddress>#" \
    -e 's#<(globalAnnounceEnabled|localAnnounceEnabled|relaysEnabled|natEnabled|crashReportingEnabled)>true<#<\1>false<#' \
    -e 's#<urAccepted>[^<]*<#<urAccepted>-1<#' -e 's#<autoUpgradeIntervalH>[^<]*<#<autoUpgradeIntervalH>0<#' \
    "$work/$side/home/config.xml"
  STNOUPGRADE=1 syncthing serve --home="$work/$side/home" --no-browser --no-restart --no-default-folder \
    --gui-address="127.0.0.1:${api_port[$side]}" --gui-apikey="$key" \
    --logfile="$work/$side/syncthing.log" >/dev/null 2>&1 &
  pids+=($!)
done
for side in a b; do
  for _ in $(seq 1 300); do
    api "$side" GET /rest/system/ping >/dev/null 2>&1 && break
    sleep 0.1
  done
  api "$side" GET /rest/system/ping >/dev/null || fail "Syncthing on side $side did not start"
done
for side in a b; do
  other=$([ "$side" = a ] && echo b || echo a)
  api "$side" POST /rest/config/devices \
    "{\"deviceID\":\"${device_id[$other]}\",\"name\":\"$other\",\"addresses\":[\"tcp://127.0.0.1:${listen_port[$other]}\"]}"
  api "$side" POST /rest/config/folders \
    "{\"id\":\"keyloft\",\"label\":\"keyloft\",\"path\":\"$work/$side/db\",\"fsWatcherEnabled\":false,\"rescanIntervalS\":3600,\"devices\":[{\"deviceID\":\"${device_id[a]}\"},{\"deviceID\":\"${device_id[b]}\"}]}"
done

# Both sides have scanned their folder and hold the same files: each side's view of the other is
# complete and neither needs anything. Polls the engine; gives up after 60 s.
in_sync() {
  local side other
  for side in a b; do api "$side" POST "/rest/db/scan?folder=keyloft" >/dev/null; done
  for _ in $(seq 1 600); do
    local done_sides=0
    for side in a b; do
      other=$([ "$side" = a ] && echo b || echo a)
      local status completion
      status=$(api "$side" GET "/rest/db/status?folder=keyloft") || continue
      completion=$(api "$side" GET "/rest/db/completion?folder=keyloft&device=${device_id[$other]}") || continue
      if grep -q '"state": *"idle"' <<<"$status" && grep -q '"needTotalItems": *0[,}]' <<<"$status" &&
        grep -q '"completion": *100[,}]' <<<"$completion"; then
        done_sides=$((done_sides + 1))
      fi
    done
    [ "$done_sides" = 2 ] && return 0
    sleep 0.1
  done
  fail "the two folders did not come into sync within 60 s"
}
together() { api a POST "/rest/system/resume?device=${device_id[b]}" >/dev/null; api b POST "/rest/system/resume?device=${device_id[a]}" >/dev/null; }
apart() { api a POST "/rest/system/pause?device=${device_id[b]}" >/dev/null; api b POST "/rest/system/pause?device=${device_id[a]}" >/dev/null; }

kl() {  # kl SIDE ARGS...: keyloft-cli on that side's folder, the logon line from standard input
  local side=$1
  shift
  "$cli" --database "$work/$side/db" "$@"
}
add_entry() {  # add_entry SIDE USERCODE
  printf 'opensesame\npw-%s\npw-%s\n' "$2" "$2" | kl "$1" add Team --user-code "$2" >/dev/null
}
has_entry() {  # has_entry SIDE USERCODE
  printf 'opensesame\n' | kl "$1" ls Team | grep -qw -- "$2"
}

kl a create Team >/dev/null
in_sync
[ -f "$work/b/db/Team.dat" ] || fail "the new profile did not reach side B"

saved=()
copies_merged=0
held_refused=0
for round in $(seq 1 "$rounds"); do
  # together: both sides add while apart; the engine keeps one and leaves the other as a copy.
  apart
  add_entry a "a-together-$round"
  add_entry b "b-together-$round"
  saved+=("a-together-$round" "b-together-$round")
  together
  in_sync
  ls "$work/a/db" | grep -q 'sync-conflict' || fail "round $round: no conflict copy was made"
  kl a merge Team <<<"opensesame" >/dev/null || fail "round $round: merge failed"
  copies_merged=$((copies_merged + 1))
  in_sync

  # held: A waits for its logon line while B's newer file comes in; A's save must be refused.
  mkfifo "$work/logon"
  (set +e
    printf 'pw\npw\n' | cat "$work/logon" - | kl a add Team --user-code "a-held-$round" >/dev/null 2>&1
    echo $? >"$work/held-status") &
  holder=$!
  exec 4>"$work/logon"
  sleep 0.5  # the command has the profile open and waits for the logon line
  add_entry b "b-held-$round"
  saved+=("b-held-$round")
  in_sync
  printf 'opensesame\n' >&4
  exec 4>&-
  wait "$holder" || true
  rm -f "$work/logon"
  status=$(cat "$work/held-status")
  [ "$status" = 4 ] || [ "$status" = 0 ] || fail "round $round: the held save ended with $status"
  if [ "$status" = 0 ]; then saved+=("a-held-$round"); else held_refused=$((held_refused + 1)); fi
  in_sync
done

lost=0
for side in a b; do
  ls "$work/$side/db" | grep -q 'sync-conflict' && fail "side $side still has a conflict copy"
  for entry in "${saved[@]}"; do
    has_entry "$side" "$entry" || { echo "sync-trial.sh: $entry is missing on side $side" >&2; lost=$((lost + 1)); }
  done
done
[ "$lost" = 0 ] || fail "$lost saved entries lost"
echo "sync-trial.sh: ok: $rounds rounds, ${#saved[@]} entries saved on either side, none lost on either side;" \
  "$copies_merged conflict copies merged, $held_refused held saves refused as conflicts (exit 4)"
