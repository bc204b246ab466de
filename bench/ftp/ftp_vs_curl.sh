#!/usr/bin/env bash
# Whole-program benchmark: tavlinftp-cli against curl on one local FTP server.
#
# Starts vsftpd on 127.0.0.1 with a configuration of our own (anonymous
# log-in, uploads allowed, nothing else reachable), then downloads and
# uploads one file with each tool, in passive and in active mode, and prints
# MB/s (10^6 bytes per second of wall time), the client's CPU seconds (user +
# system) and the ratio of tavlinftp-cli to curl.
#
# Usage: bench/ftp/ftp_vs_curl.sh [SIZE_MIB] [REPEATS]     (defaults: 1024, 3)
# Each figure is the best of REPEATS runs. Needs root for vsftpd (it is
# installed here if missing, together with curl).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=../../scripts/deps.sh
source "$root/scripts/deps.sh"

size_mib="${1:-1024}"
repeats="${2:-3}"

tavlin_ensure_packages "${TAVLIN_BUILD_PACKAGES[@]}" vsftpd curl time bc

build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTAVLIN_BUILD_TESTS=OFF $(tavlin_compiler_launcher) >/dev/null
cmake --build "$build" -j "$(tavlin_jobs)" --target tavlinftp-cli >/dev/null
cli="$build/src/cli/tavlinftp-cli"

work="$(mktemp -d /var/tmp/tavlin-bench-XXXXXX)"
vsftpd_pid=""
cleanup() {
  if [ -n "$vsftpd_pid" ]; then kill "$vsftpd_pid" 2>/dev/null || true; wait "$vsftpd_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Anonymous root must not be writable by the server's anonymous user; the
# uploads go into a folder that is.
anon="$work/anon"
mkdir -p "$anon/pub" "$anon/up" /var/run/vsftpd/empty
chown ftp "$anon/up" 2>/dev/null || chmod 0777 "$anon/up"
chmod 0755 "$anon" "$anon/pub"
echo "Creating a ${size_mib} MiB file of random data..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$anon/pub/big.bin"
chmod 0644 "$anon/pub/big.bin"
cp "$anon/pub/big.bin" "$work/source.bin"
bytes=$(stat -c %s "$work/source.bin")

port="$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
cat > "$work/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=YES
no_anon_password=YES
anon_root=$anon
write_enable=YES
anon_upload_enable=YES
anon_umask=022
anon_world_readable_only=NO
local_enable=NO
pasv_enable=YES
pasv_address=127.0.0.1
pasv_min_port=41000
pasv_max_port=41999
port_enable=YES
connect_from_port_20=NO
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
xferlog_enable=NO
dirmessage_enable=NO
use_localtime=NO
CONF
vsftpd "$work/vsftpd.conf" &
vsftpd_pid=$!
for _ in $(seq 100); do
  if /usr/bin/python3 -c "import socket,sys; s=socket.socket(); sys.exit(s.connect_ex(('127.0.0.1',$port)))"; then break; fi
  sleep 0.1
done

url="ftp://127.0.0.1:$port"
# measure TARGET COMMAND...: best wall time over the repeats, as "wall cpu".
# TARGET (the file the command writes) is removed before each run; the
# anonymous user may not overwrite an upload.
measure() {
  local target="$1" best_wall="" best_cpu=""
  shift
  for _ in $(seq "$repeats"); do
    rm -f "$target"
    /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || {
      echo "FAILED: $*" >&2; cat "$work/err.txt" >&2; exit 1; }
    read -r wall user sys < "$work/time.txt"
    cpu=$(echo "$user + $sys" | bc -l)
    if [ -z "$best_wall" ] || (( $(echo "$wall < $best_wall" | bc -l) )); then
      best_wall=$wall; best_cpu=$cpu
    fi
  done
  echo "$best_wall $best_cpu"
}
check_download() { cmp -s "$work/source.bin" "$work/down.bin" || { echo "download differs" >&2; exit 1; }; }
check_upload() { cmp -s "$work/source.bin" "$anon/up/$1" || { echo "upload $1 differs" >&2; exit 1; }; }

declare -A result
for mode in passive active; do
  if [ "$mode" = active ]; then curl_mode=(-P 127.0.0.1); cli_mode=--active; else curl_mode=(--ftp-pasv); cli_mode=--passive; fi

  result[curl,down,$mode]=$(measure "$work/down.bin" curl -s "${curl_mode[@]}" -o "$work/down.bin" "$url/pub/big.bin"); check_download
  result[cli,down,$mode]=$(measure "$work/down.bin" "$cli" "$cli_mode" "$url/pub" get big.bin "$work/down.bin"); check_download
  result[curl,up,$mode]=$(measure "$anon/up/curl-$mode.bin" curl -s "${curl_mode[@]}" -T "$work/source.bin" "$url/up/curl-$mode.bin"); check_upload "curl-$mode.bin"
  result[cli,up,$mode]=$(measure "$anon/up/cli-$mode.bin" "$cli" "$cli_mode" "$url/up" put "$work/source.bin" "cli-$mode.bin"); check_upload "cli-$mode.bin"
done

mbps() { echo "scale=1; $bytes / $1 / 1000000" | bc -l; }
echo
echo "File: ${size_mib} MiB ($bytes bytes), best of $repeats, vsftpd on 127.0.0.1, $(nproc) cores"
printf "%-9s %-8s | %12s %9s | %12s %9s | %13s\n" direction mode "curl MB/s" "curl CPU" "tavlin MB/s" "tavlin CPU" "ratio (MB/s)"
for direction in down up; do
  for mode in passive active; do
    read -r cw cc <<< "${result[curl,$direction,$mode]}"
    read -r tw tc <<< "${result[cli,$direction,$mode]}"
    cm=$(mbps "$cw"); tm=$(mbps "$tw")
    ratio=$(echo "scale=2; $cw / $tw" | bc -l)
    label=$([ "$direction" = down ] && echo download || echo upload)
    printf "%-9s %-8s | %12s %8ss | %12s %8ss | %13s\n" "$label" "$mode" "$cm" "$cc" "$tm" "$tc" "$ratio"
  done
done
