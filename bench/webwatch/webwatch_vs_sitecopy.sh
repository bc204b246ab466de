#!/usr/bin/env bash
# Whole-program benchmark of a WebWatch run against `sitecopy --update` on
# the same local site and the same server: a site of COUNT files in FOLDERS
# folders is uploaded once, then FOLDERS... files are touched and each tool
# brings its copy up to date again. Prints the wall time of each run and the
# commands the server received for it (vsftpd's protocol log, so both tools
# are counted the same way).
#
# WebWatch runs as the quick upload does, without a window: every file of
# the project is looked up, changed files are queued, each one goes up with
# a CWD to its folder when it is not the last file's folder, TYPE when the
# mode changes, PASV and STOR. Its remote folders are made beforehand, since a run uploads into
# folders that exist; sitecopy makes its own. The site is kept as two web
# projects of half the folders each (a run once took at most 3500 files), so
# the first upload is one "Upload" per project, the second run one quick
# upload of everything.
#
# Usage: bench/webwatch/webwatch_vs_sitecopy.sh [COUNT] [FOLDERS] [TOUCHED]   (defaults: 5000, 50, 50)
# Needs root for vsftpd (installed here if missing, with sitecopy).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=../../scripts/deps.sh
source "$root/scripts/deps.sh"
# shellcheck source=../vsftpd.sh
source "$root/bench/vsftpd.sh"

count="${1:-5000}"
folders="${2:-50}"
touched="${3:-50}"
per_folder=$((count / folders))

tavlin_ensure_packages "${TAVLIN_BUILD_PACKAGES[@]}" libbenchmark-dev vsftpd sitecopy time bc

bench_build bench_webwatch_run
driver="$build/bench/webwatch/bench_webwatch_run"

bench_work_dir tavlin-webwatch-bench

anon="$work/anon"
site="$work/site"
mkdir -p "$anon/up/ww" "$anon/up/sc" "$site" "$work/data" "$work/store" /var/run/vsftpd/empty
chmod 0755 "$anon"
echo "Creating $count files in $folders folders..."
for d in $(seq -w 1 "$folders"); do mkdir -p "$site/d$d" "$anon/up/ww/d$d"; done
/usr/bin/python3 - "$site" "$folders" "$per_folder" <<'PY'
import base64, os, sys
site, folders, per = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
dw, fw = len(str(folders)), len(str(per))
for d in range(1, folders + 1):
    for f in range(1, per + 1):
        with open(f"{site}/d{d:0{dw}d}/page{f:0{fw}d}.html", "wb") as out:
            out.write(base64.b64encode(os.urandom(1024 + (f * 37) % 3000)))
PY
chown -R ftp "$anon/up" 2>/dev/null || chmod -R 0777 "$anon/up"

log="$work/vsftpd.log"
start_vsftpd "$anon" \
  anon_mkdir_write_enable=YES \
  anon_other_write_enable=YES \
  pasv_min_port=42000 \
  pasv_max_port=42999 \
  xferlog_enable=YES \
  xferlog_std_format=NO \
  log_ftp_protocol=YES \
  "vsftpd_log_file=$log" \
  max_per_ip=0 \
  max_clients=0

# Two web projects of half the folders each: every file, never uploaded yet.
half=$((folders / 2))
{
  echo "2"
  for d in $(seq -w 1 "$folders"); do
    if [ "$((10#$d))" -eq 1 ]; then echo "Site A"; echo "1"; echo "1"; fi
    if [ "$((10#$d))" -eq "$((half + 1))" ]; then echo "Site B"; echo "1"; echo "1"; fi
    for f in $(seq -w 1 "$per_folder"); do
      printf ' %s\n 127.0.0.1\n anonymous\n bench@example.com\n %s\n /up/ww/d%s\n page%s.html\n 0\n May\n' \
        "$site/d$d/page$f.html" "$port" "$d" "$f"
    done
  done
} | sed 's/$/\r/' > "$work/data/wbprj.dfd"

rc="$work/sitecopyrc"
cat > "$rc" <<RC
site bench
  server 127.0.0.1
  port $port
  protocol ftp
  username anonymous
  password bench@example.com
  local $site
  remote /up/sc
  permissions ignore
RC
chmod 0600 "$rc"
chmod 0700 "$work/store"
sitecopy --rcfile="$rc" --storepath="$work/store" --init bench >/dev/null

# run LABEL COMMAND...: wall time and the commands the server logged for it.
declare -A wall commands
run() {
  local label="$1"
  shift
  local before
  before=$(grep -c 'FTP command:' "$log" 2>/dev/null || true)
  /usr/bin/time -f "%e" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || {
    echo "FAILED: $*" >&2; cat "$work/err.txt" >&2; exit 1; }
  wall[$label]=$(cat "$work/time.txt")
  commands[$label]=$(( $(grep -c 'FTP command:' "$log") - ${before:-0} ))
}
check_same() { diff -rq "$site" "$1" >/dev/null || { echo "$1 differs from the site" >&2; exit 1; }; }

run ww1a "$driver" "$work/data" passive 0
run ww1b "$driver" "$work/data" passive 1
wall[ww1]=$(echo "${wall[ww1a]} + ${wall[ww1b]}" | bc -l)
commands[ww1]=$(( ${commands[ww1a]} + ${commands[ww1b]} ))
check_same "$anon/up/ww"
run sc1 sitecopy --rcfile="$rc" --storepath="$work/store" --update bench
check_same "$anon/up/sc"

# Touch one file in each of the first folders, with a stamp two minutes on
# (the stamps count whole seconds, in steps of two).
later=$(( $(date +%s) + 120 ))
n=0
for d in $(seq -w 1 "$folders"); do
  [ "$n" -ge "$touched" ] && break
  echo "<!-- touched -->" >> "$site/d$d/page$(printf "%0${#per_folder}d" 1).html"
  touch -d "@$later" "$site/d$d/page$(printf "%0${#per_folder}d" 1).html"
  n=$((n + 1))
done

run ww2 "$driver" "$work/data" passive
check_same "$anon/up/ww"
run sc2 sitecopy --rcfile="$rc" --storepath="$work/store" --update bench
check_same "$anon/up/sc"

echo
echo "Site of $count files in $folders folders, $touched touched for the second run; vsftpd on 127.0.0.1, passive, $(nproc) cores"
printf "%-22s | %10s %9s | %10s %9s\n" run "WebWatch s" commands "sitecopy s" commands
printf "%-22s | %10s %9s | %10s %9s\n" "first upload" "${wall[ww1]}" "${commands[ww1]}" "${wall[sc1]}" "${commands[sc1]}"
printf "%-22s | %10s %9s | %10s %9s\n" "after touching $touched" "${wall[ww2]}" "${commands[ww2]}" "${wall[sc2]}" "${commands[sc2]}"
