#!/bin/sh
# Times 100 sequential https GETs of a 10 KB body, each on a new connection,
# with our client and with curl (--no-keepalive; the server closes every
# connection after its answer), against one loopback TLS server with a
# certificate of a test CA made here; prints "RATIO http.get_tls_100.vs_curl
# <curl / ours>" from the median of the rounds, then the sizes of the TLS
# libraries the desktop build loads. Arguments: the build dir and a filter.
set -eu
BUILD_DIR=$1 FILTER=${2:-}
case "http.get_tls_100.vs_curl" in *$FILTER*) ;; *) exit 0 ;; esac
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
ROUNDS=${BENCH_ROUNDS:-3}
COUNT=100
BODY=10240
WORK=$(mktemp -d)
trap 'kill $SERVER 2>/dev/null; rm -rf "$WORK"' EXIT
"$ROOT/tests/net/tls_certificates.sh" "$WORK" >/dev/null 2>&1
python3 "$ROOT/tests/net/tls_server.py" "$WORK/port" "$WORK/good.pem" "$WORK/good.key" ok 4 >/dev/null 2>&1 &
SERVER=$!
while [ ! -e "$WORK/port" ]; do sleep 0.1; done
URL="https://localhost:$(cat "$WORK/port")/ten"
ours="" peer="" fresh=""
for _ in $(seq "$ROUNDS"); do
  ours="$ours $("$BUILD_DIR/bench_http_tls" "$URL" "$WORK/ca.pem" $COUNT $BODY | sed -n 's/^RESULT //p')"
  urls=$(for _ in $(seq $COUNT); do printf '%s ' "$URL"; done)
  start=$(date +%s%N)
  # shellcheck disable=SC2086
  curl -sS --no-keepalive --cacert "$WORK/ca.pem" $urls >/dev/null
  peer="$peer $(( ($(date +%s%N) - start) / 1000000 ))"
  # curl again without resuming TLS sessions: a full handshake each time, as ours.
  start=$(date +%s%N)
  # shellcheck disable=SC2086
  curl -sS --no-keepalive --no-sessionid --cacert "$WORK/ca.pem" $urls >/dev/null
  fresh="$fresh $(( ($(date +%s%N) - start) / 1000000 ))"
done
median() { echo "$@" | tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
echo "RATIO http.get_tls_100.vs_curl $(echo "$(median $peer) $(median $ours)" | awk '{printf "%.3f", $1 / $2}')"
echo "RATIO http.get_tls_100.vs_curl_no_sessionid $(echo "$(median $fresh) $(median $ours)" | awk '{printf "%.3f", $1 / $2}')"
echo "http.get_tls_100: ours $(median $ours) ms, curl $(median $peer) ms, curl --no-sessionid $(median $fresh) ms"
for lib in $(ldd "$BUILD_DIR/skarnel" | awk '/libssl|libcrypto/ {print $3}'); do
  echo "COUNT http.tls.$(basename "$lib").kib $(( $(stat -L -c %s "$lib") / 1024 ))"
done
