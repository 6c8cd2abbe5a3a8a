#!/usr/bin/env bash
# Set-up, build and start the desktop program. Without a display it runs
# under a virtual X server (xvfb-run).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
vinra_install_packages
vinra_configure build
cmake --build build -j"$(nproc)"

# The data files (pool definitions, service settings, pictures) are installed
# into the data folder by the installer beside the program. The program runs
# it itself at its first start; running it here first keeps that start quick.
if [ -x build/bin/vinra2000-datafiles ]; then
  build/bin/vinra2000-datafiles /S || echo "run.sh: the data-files installer failed; the program will try again" >&2
fi

# The web service (vinra-service) with the sample season, on 127.0.0.1, for as
# long as the program runs. VINRA_SERVICE=0 leaves it out; VINRA_SERVICE_PORT
# picks its port (default 8080, the address the shipped update.ini names).
service_pid=""
stop_service() {
  if [ -n "$service_pid" ]; then
    kill "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
  fi
}
trap stop_service EXIT INT TERM

port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
# True when a vinra-service already answers on the port.
is_vinra_service() {
  (
    exec 3<>"/dev/tcp/127.0.0.1/$1" || exit 1
    printf 'GET /vinra2000/ini/update.ini HTTP/1.0\r\nHost: 127.0.0.1:%s\r\n\r\n' "$1" >&3
    timeout 3 cat <&3 | grep -q '^ProxyHost='
  ) 2>/dev/null
}

if [ "${VINRA_SERVICE:-1}" != "0" ] && [ -x build/bin/vinra-service ]; then
  port="${VINRA_SERVICE_PORT:-8080}"
  if port_open "$port" && is_vinra_service "$port"; then
    echo "run.sh: using the vinra-service already running on 127.0.0.1:$port"
  else
    if port_open "$port"; then
      # Something else holds the port: take a free one.
      for p in $(seq 18080 18180); do
        if ! port_open "$p"; then port="$p"; break; fi
      done
    fi
    build/bin/vinra-service --host 127.0.0.1 --port "$port" --data service/data >build/vinra-service.log 2>&1 &
    service_pid=$!
    for _ in $(seq 1 50); do
      port_open "$port" && break
      kill -0 "$service_pid" 2>/dev/null || break
      sleep 0.1
    done
    if port_open "$port"; then
      echo "run.sh: vinra-service on http://127.0.0.1:$port (log: build/vinra-service.log)"
    else
      echo "run.sh: vinra-service did not start (see build/vinra-service.log); the program runs without it" >&2
      service_pid=""
    fi
  fi

  # Point the program at it, unless the user has named another web service:
  # only an update.ini whose [Service] Host is a loopback address of this kind
  # (the shipped default, or one this script wrote) is changed.
  if [ -n "${VINRA_HOME:-}" ]; then
    data_folder="$VINRA_HOME/Program"
  else
    data_folder="${XDG_DATA_HOME:-$HOME/.local/share}/Vinra 2000/Program"
  fi
  update_ini="$data_folder/update.ini"
  if [ -f "$update_ini" ]; then
    current=$(grep -a -m1 '^Host=' "$update_ini" | tr -d '\r' | cut -d= -f2-)
    wanted="http://127.0.0.1:$port"
    if [[ "$current" =~ ^http://127\.0\.0\.1:[0-9]+$ ]] && [ "$current" != "$wanted" ]; then
      sed -i "s#${current}#${wanted}#g" "$update_ini"
      echo "run.sh: the program now uses the web service at $wanted"
    fi
  fi
fi

status=0
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  build/bin/vinra2000 "$@" || status=$?
else
  echo "run.sh: no display; starting Vinra 2000 under xvfb-run"
  xvfb-run -a build/bin/vinra2000 "$@" || status=$?
fi
exit "$status"
