#!/usr/bin/env bash
# Whole-program benchmark of publishing a web site to a distant server: the
# same site published by `tavlinftp-cli webwatch`, `sitecopy --update`,
# `lftp mirror -R` and `lftp mirror -R --parallel=4`, through a proxy that
# holds every byte of the control connection back DELAY_MS in each direction
# (so a round trip costs twice that), to vsftpd on 127.0.0.1. Data
# connections go straight to the server.
#
# A site of FILES files (1 to 4 KiB) in FOLDERS folders is published by each
# tool into an empty folder of its own (the tool makes the sub-folders), then
# TOUCHED files, one per folder, are changed and each tool brings its copy up
# to date again. The tools take turns: within a repeat each step runs tool
# after tool, and the order of the tools turns round from repeat to repeat.
# Every remote copy is compared with the site after every run. Prints the
# wall time of each run (the best of REPEATS), the commands the server
# received and the files stored (from vsftpd's protocol log, so every tool is
# counted alike).
#
# Usage: bench/distance/publish_at_a_distance.sh [FILES] [FOLDERS] [TOUCHED] [DELAY_MS] [REPEATS]
#        (defaults: 100, 10, 10, 20, 3)
# Needs root for vsftpd (installed here if missing, with sitecopy and lftp).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=../../scripts/deps.sh
source "$root/scripts/deps.sh"
# shellcheck source=../vsftpd.sh
source "$root/bench/vsftpd.sh"

files="${1:-100}"
folders="${2:-10}"
touched="${3:-10}"
delay_ms="${4:-20}"
repeats="${5:-3}"
per_folder=$((files / folders))

tavlin_ensure_packages "${TAVLIN_BUILD_PACKAGES[@]}" vsftpd sitecopy lftp time bc

bench_build tavlinftp-cli
cli="$build/src/cli/tavlinftp-cli"

bench_work_dir tavlin-distance-bench
proxy_pid=""
cleanup() {
  if [ -n "$proxy_pid" ]; then kill "$proxy_pid" 2>/dev/null || true; wait "$proxy_pid" 2>/dev/null || true; fi
  bench_cleanup
}
trap cleanup EXIT

anon="$work/anon"
site="$work/site"
mkdir -p "$anon/up" "$site" /var/run/vsftpd/empty
chmod 0755 "$anon"
echo "Creating $files files in $folders folders..."
/usr/bin/python3 - "$site" "$folders" "$per_folder" <<'PY'
import base64, os, sys
site, folders, per = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
dw, fw = len(str(folders)), len(str(per))
for d in range(1, folders + 1):
    os.makedirs(f"{site}/d{d:0{dw}d}", exist_ok=True)
    for f in range(1, per + 1):
        with open(f"{site}/d{d:0{dw}d}/page{f:0{fw}d}.html", "wb") as out:
            out.write(base64.b64encode(os.urandom(768 + (f * 37) % 2300)))
PY
# Made an hour ago: a file changed in the very seconds of a run is sent once
# more by the next one (WebWatch's stamps count seconds in twos), which is not
# what the update is to measure.
find "$site" -type f -exec touch -d '-1 hour' {} +

log="$work/vsftpd.log"
start_vsftpd "$anon" \
  anon_mkdir_write_enable=YES \
  anon_other_write_enable=YES \
  pasv_min_port=43000 \
  pasv_max_port=43999 \
  xferlog_enable=YES \
  xferlog_std_format=NO \
  log_ftp_protocol=YES \
  "vsftpd_log_file=$log" \
  max_per_ip=0 \
  max_clients=0

/usr/bin/python3 "$root/bench/distance/delay_proxy.py" "$port" "$delay_ms" "$work/proxy.port" &
proxy_pid=$!
for _ in $(seq 100); do [ -s "$work/proxy.port" ] && break; sleep 0.1; done
far="$(cat "$work/proxy.port")"

# What the proxy costs: the round trip of a command, measured with one NOOP.
rtt_ms=$(/usr/bin/python3 - "$far" <<'PY'
import socket, sys, time
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
f = s.makefile("rb")
f.readline()
best = None
for _ in range(5):
    t = time.monotonic()
    s.sendall(b"NOOP\r\n")
    f.readline()
    d = (time.monotonic() - t) * 1000
    best = d if best is None else min(best, d)
s.sendall(b"QUIT\r\n")
print(f"{best:.1f}")
PY
)

# prepare_repeat R: empty remote folders for each tool, a fresh web project
# (every file to upload) and a fresh sitecopy state.
prepare_repeat() {
  local r="$1"
  for t in ww sc lf lf4; do mkdir -p "$anon/up/r$r/$t"; done
  chown -R ftp "$anon/up" 2>/dev/null || chmod -R 0777 "$anon/up"
  data="$work/data$r"
  mkdir -p "$data"
  chmod 0700 "$data"
  {
    echo "1"
    echo "Site"; echo "1"; echo "1"
    for d in $(seq -w 1 "$folders"); do
      for f in $(seq -w 1 "$per_folder"); do
        printf ' %s\n 127.0.0.1\n anonymous\n bench@example.com\n %s\n /up/r%s/ww/d%s\n page%s.html\n 1\n May\n' \
          "$site/d$d/page$f.html" "$far" "$r" "$d" "$f"
      done
    done
  } | sed 's/$/\r/' > "$data/wbprj.dfd"
  rc="$work/sitecopyrc$r"
  cat > "$rc" <<RC
site bench
  server 127.0.0.1
  port $far
  protocol ftp
  username anonymous
  password bench@example.com
  local $site
  remote /up/r$r/sc
  permissions ignore
RC
  chmod 0600 "$rc"
  store="$work/store$r"
  mkdir -p "$store"
  chmod 0700 "$store"
  sitecopy --rcfile="$rc" --storepath="$store" --init bench >/dev/null
}

lftp_mirror() {
  local target="$1"
  shift
  lftp -u anonymous,bench@example.com -p "$far" \
    -e "set cmd:fail-exit yes; set net:max-retries 1; set ftp:ssl-allow no; set ftp:passive-mode on; mirror -R $* $site $target; quit" \
    127.0.0.1
}

# tool_run TOOL R: one run of TOOL for repeat R.
tool_run() {
  case "$1" in
    ww) "$cli" webwatch --data-dir "$work/data$2" --passive --quiet ;;
    sc) sitecopy --rcfile="$work/sitecopyrc$2" --storepath="$work/store$2" --update bench ;;
    lf) lftp_mirror "/up/r$2/lf" ;;
    lf4) lftp_mirror "/up/r$2/lf4" --parallel=4 ;;
  esac
}

declare -A best commands stored
# timed STEP TOOL R: runs the tool, keeps the best wall time per step and
# tool, and the commands and STORs the server logged for the run.
timed() {
  local step="$1" tool="$2" r="$3" before_cmd before_stor t0 t1 wall
  before_cmd=$(grep -c 'FTP command:' "$log" 2>/dev/null || true)
  before_stor=$(grep -c 'FTP command: .*"STOR ' "$log" 2>/dev/null || true)
  t0=$(date +%s%N)
  tool_run "$tool" "$r" >/dev/null 2>"$work/err.txt" || {
    echo "FAILED: $tool ($step, repeat $r)" >&2; cat "$work/err.txt" >&2; exit 1; }
  t1=$(date +%s%N)
  wall=$(echo "scale=2; ($t1 - $t0) / 1000000000" | bc -l)
  diff -rq "$site" "$anon/up/r$r/$tool" >/dev/null || { echo "$tool's copy differs from the site ($step)" >&2; exit 1; }
  if [ -z "${best[$step,$tool]:-}" ] || (( $(echo "$wall < ${best[$step,$tool]}" | bc -l) )); then
    best[$step,$tool]=$wall
  fi
  commands[$step,$tool]=$(( $(grep -c 'FTP command:' "$log") - ${before_cmd:-0} ))
  stored[$step,$tool]=$(( $(grep -c 'FTP command: .*"STOR ' "$log") - ${before_stor:-0} ))
  echo "  $step $tool: ${wall} s, ${commands[$step,$tool]} commands, ${stored[$step,$tool]} files stored"
}

tools=(ww sc lf lf4)
for r in $(seq 1 "$repeats"); do
  prepare_repeat "$r"
  order=()
  for i in 0 1 2 3; do order+=("${tools[$(( (i + r - 1) % 4 ))]}"); done
  echo "Repeat $r of $repeats (${order[*]}):"
  for t in "${order[@]}"; do timed first "$t" "$r"; done
  # One file per folder changed, with a stamp minutes on (WebWatch's stamps
  # count seconds in twos; lftp and sitecopy see a newer, longer file).
  later=$(( $(date +%s) + 120 * r ))
  n=0
  for d in $(seq -w 1 "$folders"); do
    [ "$n" -ge "$touched" ] && break
    page="$site/d$d/page$(printf "%0${#per_folder}d" 1).html"
    printf '<!-- changed in repeat %s -->' "$r" >> "$page"
    touch -d "@$later" "$page"
    n=$((n + 1))
  done
  for t in "${order[@]}"; do timed update "$t" "$r"; done
done

echo
echo "Site of $files files in $folders folders, $touched changed for the update; vsftpd on 127.0.0.1 behind a"
echo "proxy delaying the control connection ${delay_ms} ms each way (NOOP round trip ${rtt_ms} ms), passive,"
echo "$(nproc) cores, best of $repeats; in brackets: commands the server received, files stored (last repeat)"
echo
echo "| run | \`tavlinftp-cli webwatch\` | \`sitecopy --update\` | \`lftp mirror -R\` | \`lftp mirror -R --parallel=4\` |"
echo "|---|---|---|---|---|"
for step in first update; do
  label="first publish"
  [ "$step" = update ] && label="$touched files changed"
  row="| $label"
  for t in "${tools[@]}"; do
    row="$row | ${best[$step,$t]} s (${commands[$step,$t]}, ${stored[$step,$t]})"
  done
  echo "$row |"
done
