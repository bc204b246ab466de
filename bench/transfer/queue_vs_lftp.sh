#!/usr/bin/env bash
# Whole-program benchmark of the transfer queue: many small files up, then
# down, by the queue engine without a window, against lftp's mput / mget on
# the same local FTP server.
#
# Starts vsftpd on 127.0.0.1 with a configuration of our own (anonymous
# log-in, uploads allowed, nothing else reachable), makes COUNT files of
# SIZE_KIB each, and for each tool uploads them all into an empty folder and
# downloads them all into an empty folder, in passive mode. Prints files per
# second (wall time), the client's CPU seconds (user + system) and the ratio
# of the queue to lftp. Every transferred file is compared with its source.
#
# Usage: bench/transfer/queue_vs_lftp.sh [COUNT] [SIZE_KIB] [REPEATS]   (defaults: 1000, 4, 3)
# Each figure is the best of REPEATS runs. Needs root for vsftpd (installed
# here if missing, together with lftp).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=../../scripts/deps.sh
source "$root/scripts/deps.sh"
# shellcheck source=../vsftpd.sh
source "$root/bench/vsftpd.sh"

count="${1:-1000}"
size_kib="${2:-4}"
repeats="${3:-3}"

tavlin_ensure_packages "${TAVLIN_BUILD_PACKAGES[@]}" libbenchmark-dev vsftpd lftp time bc

bench_build bench_queue_driver
driver="$build/bench/transfer/bench_queue_driver"

bench_work_dir tavlin-queue-bench

# The anonymous root must not be writable by the server's anonymous user;
# uploads go into a folder that is.
anon="$work/anon"
mkdir -p "$anon/pub" "$anon/up" "$work/source" /var/run/vsftpd/empty
chown ftp "$anon/up" 2>/dev/null || chmod 0777 "$anon/up"
chmod 0755 "$anon" "$anon/pub"
echo "Creating $count files of $size_kib KiB..."
names=()
for i in $(seq -w 1 "$count"); do
  head -c "$((size_kib * 1024))" /dev/urandom > "$work/source/f$i.bin"
  names+=("f$i.bin")
done
cp "$work/source/"* "$anon/pub/"
chmod 0644 "$anon/pub/"*
bytes=$((size_kib * 1024))
down_args=()
for n in "${names[@]}"; do down_args+=("$n=$bytes"); done

start_vsftpd "$anon" \
  pasv_min_port=41000 \
  pasv_max_port=41999 \
  port_enable=YES \
  xferlog_enable=NO \
  use_localtime=NO \
  max_per_ip=0 \
  max_clients=0

# run_once PREPARE COMMAND...: one timed run, as "wall cpu". PREPARE empties
# the folder the command writes into (the anonymous user may not overwrite
# an upload).
run_once() {
  local prepare="$1"
  shift
  eval "$prepare"
  /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || {
    echo "FAILED: $*" >&2; cat "$work/err.txt" >&2; exit 1; }
  read -r wall user sys < "$work/time.txt"
  echo "$wall $(echo "$user + $sys" | bc -l)"
}
# keep_best KEY "wall cpu": result[KEY] keeps the run with the lower wall time.
keep_best() {
  local key="$1" wall cpu best_wall
  read -r wall cpu <<< "$2"
  if [ -z "${result[$key]:-}" ]; then result[$key]="$wall $cpu"; return; fi
  read -r best_wall _ <<< "${result[$key]}"
  if (( $(echo "$wall < $best_wall" | bc -l) )); then result[$key]="$wall $cpu"; fi
}
check_same() { diff -rq "$work/source" "$1" >/dev/null || { echo "$1 differs from the source files" >&2; exit 1; }; }

mkdir -p "$work/data" "$work/down"
empty_up='rm -rf "$anon/up" && mkdir "$anon/up" && (chown ftp "$anon/up" 2>/dev/null || chmod 0777 "$anon/up")'
empty_down='rm -rf "$work/down" && mkdir "$work/down"'
lftp_open=(lftp -u anonymous,bench@example.com -p "$port" -e)
lftp_set="set ftp:passive-mode on; set cmd:fail-exit yes; set net:max-retries 1"

declare -A result
# The two tools take turns run by run, so a change in the machine's load or
# in the file system's state (creating files right after deleting as many
# costs more on ext4 the more often it is done) falls on both alike.
for _ in $(seq "$repeats"); do
  keep_best lftp,up "$(run_once "$empty_up" "${lftp_open[@]}" "$lftp_set; lcd $work/source; cd up; mput *.bin; bye" 127.0.0.1)"
  check_same "$anon/up"
  keep_best queue,up "$(run_once "$empty_up" "$driver" "$work/data" up "$port" anonymous bench@example.com /up "$work/source" passive)"
  check_same "$anon/up"
  keep_best lftp,down "$(run_once "$empty_down" "${lftp_open[@]}" "$lftp_set; lcd $work/down; cd pub; mget *.bin; bye" 127.0.0.1)"
  check_same "$work/down"
  keep_best queue,down "$(run_once "$empty_down" "$driver" "$work/data" down "$port" anonymous bench@example.com /pub "$work/down" passive "${down_args[@]}")"
  check_same "$work/down"
done

fps() { echo "scale=0; $count / $1" | bc -l; }
echo
echo "Queue of $count files of $size_kib KiB, passive mode, best of $repeats, vsftpd on 127.0.0.1, $(nproc) cores"
printf "%-9s | %11s %9s | %11s %9s | %13s\n" direction "lftp files/s" "lftp CPU" "queue files/s" "queue CPU" "ratio (files/s)"
for direction in up down; do
  read -r lw lc <<< "${result[lftp,$direction]}"
  read -r qw qc <<< "${result[queue,$direction]}"
  ratio=$(echo "scale=2; $lw / $qw" | bc -l)
  label=$([ "$direction" = down ] && echo download || echo upload)
  printf "%-9s | %11s %8ss | %11s %8ss | %13s\n" "$label" "$(fps "$lw")" "$lc" "$(fps "$qw")" "$qc" "$ratio"
done
