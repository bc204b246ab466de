# Sourced by the benchmark scripts: the release build of the program under
# test, a scratch folder removed at exit, and vsftpd on 127.0.0.1 with a
# configuration of our own (anonymous log-in, nothing else reachable),
# stopped at exit.

# bench_build TARGET: builds one target of the project for speed, in
# build/bench (one configuration shared by every benchmark); sets `build`.
bench_build() {
  build="$root/build/bench"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTAVLIN_BUILD_TESTS=OFF -DTAVLIN_BUILD_BENCH=ON $(tavlin_compiler_launcher) >/dev/null
  cmake --build "$build" -j "$(tavlin_jobs)" --target "$1" >/dev/null
}

# bench_work_dir PREFIX: sets `work` to a new folder under /var/tmp.
bench_work_dir() {
  work="$(mktemp -d "${BENCH_TMPDIR:-/var/tmp}/$1-XXXXXX")"
  vsftpd_pid=""
  trap bench_cleanup EXIT
}

bench_cleanup() {
  if [ -n "$vsftpd_pid" ]; then kill "$vsftpd_pid" 2>/dev/null || true; wait "$vsftpd_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}

# start_vsftpd ANON_ROOT [CONFIG_LINE...]: starts vsftpd serving ANON_ROOT to
# the anonymous user, with the extra configuration lines given, on a free
# port; sets `port` and returns once it answers.
start_vsftpd() {
  local anon_root="$1"
  shift
  mkdir -p /var/run/vsftpd/empty
  port="$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
  {
    cat <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=YES
no_anon_password=YES
anon_root=$anon_root
write_enable=YES
anon_upload_enable=YES
anon_umask=022
anon_world_readable_only=NO
local_enable=NO
pasv_enable=YES
pasv_address=127.0.0.1
connect_from_port_20=NO
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
dirmessage_enable=NO
CONF
    printf '%s\n' "$@"
  } > "$work/vsftpd.conf"
  vsftpd "$work/vsftpd.conf" &
  vsftpd_pid=$!
  for _ in $(seq 100); do
    if /usr/bin/python3 -c "import socket,sys; s=socket.socket(); sys.exit(s.connect_ex(('127.0.0.1',$port)))"; then return 0; fi
    sleep 0.1
  done
  echo "vsftpd did not start" >&2
  return 1
}
