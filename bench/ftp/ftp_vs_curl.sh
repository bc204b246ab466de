#!/usr/bin/env bash
# Whole-program benchmark: tavlinftp-cli against curl on one local FTP server.
#
# Starts vsftpd on 127.0.0.1 with a configuration of our own (anonymous
# log-in, uploads allowed, nothing else reachable), then downloads and
# uploads one file with each tool, in passive and in active mode, and prints
# MB/s (10^6 bytes per second of wall time), the client's CPU seconds (user +
# system), the ratios of tavlinftp-cli to curl (throughput, and CPU time
# where lower is better) and tavlinftp-cli's peak resident memory.
#
# Usage: bench/ftp/ftp_vs_curl.sh [--tls] [SIZE_MIB] [REPEATS]     (defaults: 1024, 3)
# With --tls both tools use FTP over explicit TLS (curl --ssl-reqd,
# tavlinftp-cli with an ftpes:// URL) against vsftpd with TLS required on
# both connections and data connections refused unless they resume the
# control connection's TLS session; the certificate is made for the run.
# Passive mode only then: curl (7.88) hangs on its active-mode TLS data
# connection to vsftpd after accepting it.
# Each figure is the best of REPEATS runs; the tools take turns run by run.
# Needs root for vsftpd (it is installed here if missing, together with
# curl).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=../../scripts/deps.sh
source "$root/scripts/deps.sh"
# shellcheck source=../vsftpd.sh
source "$root/bench/vsftpd.sh"

tls=0
if [ "${1:-}" = "--tls" ]; then
  tls=1
  shift
fi
size_mib="${1:-1024}"
repeats="${2:-3}"

tavlin_ensure_packages "${TAVLIN_BUILD_PACKAGES[@]}" libbenchmark-dev vsftpd curl time bc openssl

bench_build tavlinftp-cli
cli="$build/src/cli/tavlinftp-cli"

bench_work_dir tavlin-bench

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

modes=(passive active)
tls_conf=()
curl_tls=()
cli_tls=()
if [ "$tls" = 1 ]; then
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
  fingerprint="SHA256:$(openssl x509 -in "$work/cert.pem" -noout -fingerprint -sha256 | cut -d= -f2)"
  tls_conf=(ssl_enable=YES allow_anon_ssl=YES force_anon_logins_ssl=YES force_anon_data_ssl=YES
            require_ssl_reuse=YES ssl_ciphers=HIGH
            "rsa_cert_file=$work/cert.pem" "rsa_private_key_file=$work/key.pem")
  # The certificate is the one made above; neither tool could verify it.
  curl_tls=(--ssl-reqd -k)
  cli_tls=(--trust "$fingerprint")
  modes=(passive)
fi

start_vsftpd "$anon" \
  pasv_min_port=41000 \
  pasv_max_port=41999 \
  port_enable=YES \
  xferlog_enable=NO \
  use_localtime=NO \
  "${tls_conf[@]}"

url="ftp://127.0.0.1:$port"
cli_url="$url"
if [ "$tls" = 1 ]; then cli_url="ftpes://127.0.0.1:$port"; fi
# run_once TARGET COMMAND...: one run, as "wall cpu rss" (seconds, seconds,
# peak RSS in KiB). TARGET (the file the command writes) is removed first;
# the anonymous user may not overwrite an upload.
run_once() {
  local target="$1"
  shift
  rm -f "$target"
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || {
    echo "FAILED: $*" >&2; cat "$work/err.txt" >&2; return 1; }
  read -r wall user sys rss < "$work/time.txt"
  echo "$wall $(echo "$user + $sys" | bc -l) $rss"
}
# keep_best KEY "wall cpu rss": per KEY the fastest run's wall and CPU time,
# and the highest peak RSS of all its runs.
declare -A result
keep_best() {
  local key="$1" wall cpu rss best_wall best_cpu peak_rss
  read -r wall cpu rss <<< "$2"
  if [ -z "${result[$key]:-}" ]; then result[$key]="$wall $cpu $rss"; return; fi
  read -r best_wall best_cpu peak_rss <<< "${result[$key]}"
  if [ "$rss" -gt "$peak_rss" ]; then peak_rss=$rss; fi
  if (( $(echo "$wall < $best_wall" | bc -l) )); then best_wall=$wall; best_cpu=$cpu; fi
  result[$key]="$best_wall $best_cpu $peak_rss"
}
check_download() { cmp -s "$work/source.bin" "$work/down.bin" || { echo "download differs" >&2; exit 1; }; }
check_upload() { cmp -s "$work/source.bin" "$anon/up/$1" || { echo "upload $1 differs" >&2; exit 1; }; }

# The two tools take turns, run by run, so that a burst of load from
# elsewhere on the machine falls on both rather than on one tool's runs.
for mode in "${modes[@]}"; do
  if [ "$mode" = active ]; then curl_mode=(-P 127.0.0.1); cli_mode=--active; else curl_mode=(--ftp-pasv); cli_mode=--passive; fi
  for _ in $(seq "$repeats"); do
    run=$(run_once "$work/down.bin" curl -s "${curl_tls[@]}" "${curl_mode[@]}" -o "$work/down.bin" "$url/pub/big.bin") || exit 1
    check_download; keep_best "curl,down,$mode" "$run"
    run=$(run_once "$work/down.bin" "$cli" "${cli_tls[@]}" "$cli_mode" "$cli_url/pub" get big.bin "$work/down.bin") || exit 1
    check_download; keep_best "cli,down,$mode" "$run"
    run=$(run_once "$anon/up/curl-$mode.bin" curl -s "${curl_tls[@]}" "${curl_mode[@]}" -T "$work/source.bin" "$url/up/curl-$mode.bin") || exit 1
    check_upload "curl-$mode.bin"; keep_best "curl,up,$mode" "$run"
    run=$(run_once "$anon/up/cli-$mode.bin" "$cli" "${cli_tls[@]}" "$cli_mode" "$cli_url/up" put "$work/source.bin" "cli-$mode.bin") || exit 1
    check_upload "cli-$mode.bin"; keep_best "cli,up,$mode" "$run"
  done
done

mbps() { echo "scale=1; $bytes / $1 / 1000000" | bc -l; }
echo
echo "File: ${size_mib} MiB ($bytes bytes), best of $repeats, vsftpd on 127.0.0.1$([ "$tls" = 1 ] && echo " over explicit TLS"), $(nproc) cores"
printf "%-9s %-8s | %12s %9s | %12s %9s | %13s | %11s | %15s\n" direction mode "curl MB/s" "curl CPU" "tavlin MB/s" "tavlin CPU" "ratio (MB/s)" "ratio (CPU)" "tavlin peak RSS"
for direction in down up; do
  for mode in "${modes[@]}"; do
    read -r cw cc _ <<< "${result[curl,$direction,$mode]}"
    read -r tw tc trss <<< "${result[cli,$direction,$mode]}"
    cm=$(mbps "$cw"); tm=$(mbps "$tw")
    ratio=$(printf "%.2f" "$(echo "$cw / $tw" | bc -l)")
    label=$([ "$direction" = down ] && echo download || echo upload)
    if (( $(echo "$cc > 0" | bc -l) )); then cpu_ratio=$(printf "%.2f" "$(echo "$tc / $cc" | bc -l)"); else cpu_ratio="-"; fi
    rss_mb=$(echo "scale=1; $trss / 1024" | bc -l)
    printf "%-9s %-8s | %12s %8ss | %12s %8ss | %13s | %11s | %11s MiB\n" "$label" "$mode" "$cm" "$cc" "$tm" "$tc" "$ratio" "$cpu_ratio" "$rss_mb"
  done
done
