#!/usr/bin/env bash
# Whole-program benchmark of one WebWatch run over a large site: COUNT small
# files in FOLDERS folders, one project, every file new, published in a
# single run without a window (`bench_webwatch_run`, the engines of the
# quick upload) to vsftpd on 127.0.0.1. Prints the run's wall time and the
# files per second of its first and of its last thousand files: keeping the
# queue file current must cost the same per file however long the queue, so
# the last thousand should go about as fast as the first. The server's copy
# is compared with the site.
#
# Usage: bench/webwatch/many_files_run.sh [COUNT] [FOLDERS]   (defaults: 20000, 100)
# Needs root for vsftpd (installed here if missing).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=../../scripts/deps.sh
source "$root/scripts/deps.sh"
# shellcheck source=../vsftpd.sh
source "$root/bench/vsftpd.sh"

count="${1:-20000}"
folders="${2:-100}"
per_folder=$((count / folders))

tavlin_ensure_packages "${TAVLIN_BUILD_PACKAGES[@]}" libbenchmark-dev vsftpd time

bench_build bench_webwatch_run
driver="$build/bench/webwatch/bench_webwatch_run"

bench_work_dir tavlin-many-files-bench

anon="$work/anon"
site="$work/site"
mkdir -p "$anon/up" "$site" "$work/data" /var/run/vsftpd/empty
chmod 0755 "$anon"
echo "Creating $((per_folder * folders)) files in $folders folders..."
/usr/bin/python3 - "$site" "$anon/up" "$folders" "$per_folder" <<'PY'
import os, sys
site, remote, folders, per = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
for d in range(1, folders + 1):
    os.makedirs(f"{site}/d{d:03d}")
    os.makedirs(f"{remote}/d{d:03d}")
    for f in range(1, per + 1):
        with open(f"{site}/d{d:03d}/p{f:05d}.html", "w") as out:
            out.write(f"<p>{d} {f}</p>\n")
PY
chown -R ftp "$anon/up" 2>/dev/null || chmod -R 0777 "$anon/up"

start_vsftpd "$anon" \
  anon_mkdir_write_enable=YES \
  anon_other_write_enable=YES \
  pasv_min_port=42000 \
  pasv_max_port=42999 \
  max_per_ip=0 \
  max_clients=0

# One web project of every file, never uploaded yet.
/usr/bin/python3 - "$site" "$port" "$folders" "$per_folder" > "$work/data/wbprj.dfd" <<'PY'
import sys
site, port, folders, per = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
lines = ["1", "Site", "0", "0"]
for d in range(1, folders + 1):
    for f in range(1, per + 1):
        lines += [f" {site}/d{d:03d}/p{f:05d}.html", " 127.0.0.1", " anonymous", " bench@example.com",
                  f" {port}", f" /up/d{d:03d}", f" p{f:05d}.html", " 1", " May"]
sys.stdout.write("".join(line + "\r\n" for line in lines))
PY

/usr/bin/time -f "%e" -o "$work/time.txt" "$driver" "$work/data" passive > "$work/out.txt" 2>"$work/err.txt" || {
  echo "FAILED" >&2; cat "$work/err.txt" >&2; exit 1; }
diff -rq "$site" "$anon/up" >/dev/null || { echo "the server's copy differs from the site" >&2; exit 1; }

echo
echo "One run of $((per_folder * folders)) files in $folders folders; vsftpd on 127.0.0.1, passive, $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"
echo "wall time: $(cat "$work/time.txt") s"
grep -E '^(files|first1000|last1000|first/last|commands) ' "$work/out.txt"
