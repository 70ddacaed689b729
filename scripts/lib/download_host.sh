# The test bed's download host, sourced by testbed.sh: nginx on loopback with
# HTTPS (a certificate made now for localhost and 127.0.0.1), HTTP basic auth
# for the maker's user, a plain-HTTP helper (faulty_backend.py) behind
# /cut/, /stall/ and /slow/ whose transfers go wrong, and a plain-HTTP server
# on MEROVIX_TEST_PORT+2 with an access log of its own (plain.log): the
# program must never reach it.
#
# Each end-to-end test has a document root of its own: the test bed's curl and
# wget send the header "X-Test-Box: <name>" (from MEROVIX_TEST_BOX), nginx
# serves $MEROVIX_TEST_HOST_DIR/boxes/<name>/ for it and logs the name first
# on every line of $MEROVIX_TEST_HOST_DIR/access.log. Requests without the
# header use boxes/_shared/.
#   /err/401/..., /err/404/..., /err/500/...  answer with that status
#   /cut/...                                   sends part of a file, then closes
#   /moved/...                                 redirects to /... on the same host
#   /tohttp/...                                redirects to /... on the plain server
#   /stall/...                                 GET: headers and a few bytes, then
#                                              nothing; HEAD: no answer at all
#   /slow/...                                  16000 bytes over about 32 seconds

download_host_start() {
  local dir="$root/build/testhost-$$"
  local backend_port=$((MEROVIX_TEST_PORT + 1))
  local plain_port=$((MEROVIX_TEST_PORT + 2))
  rm -rf "$dir"
  mkdir -p "$dir/boxes/_shared" "$dir/tmp"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
    -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
    -keyout "$dir/host.key" -out "$dir/host.crt" >/dev/null 2>&1
  printf 'diagnose:%s\n' "$(openssl passwd -apr1 TiloWemaGrub5_)" >"$dir/htpasswd"
  local user_line=""
  [ "$(id -u)" -eq 0 ] && user_line="user root;"
  cat >"$dir/nginx.conf" <<CONF
$user_line
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/error.log warn;
events { worker_connections 64; }
http {
  client_body_temp_path $dir/tmp/body;
  proxy_temp_path $dir/tmp/proxy;
  fastcgi_temp_path $dir/tmp/fastcgi;
  uwsgi_temp_path $dir/tmp/uwsgi;
  scgi_temp_path $dir/tmp/scgi;
  types { application/octet-stream exe; text/plain ini; application/pdf pdf; text/html html; }
  default_type application/octet-stream;
  map \$http_x_test_box \$test_box {
    "~^[A-Za-z0-9_-]{1,64}\$" \$http_x_test_box;
    default _shared;
  }
  # Last two fields: the bytes of the request and of the whole answer, headers included.
  log_format boxed '\$test_box \$request_method "\$request_uri" \$status \$body_bytes_sent "\$remote_user" \$request_length \$bytes_sent';
  server {
    listen 127.0.0.1:$MEROVIX_TEST_PORT ssl;
    server_name localhost;
    ssl_certificate $dir/host.crt;
    ssl_certificate_key $dir/host.key;
    access_log $dir/access.log boxed;
    root $dir/boxes/\$test_box;
    auth_basic "Merovix";
    auth_basic_user_file $dir/htpasswd;
    location / { }
    location /err/401/ { return 401; }
    location /err/404/ { return 404; }
    location /err/500/ { return 500; }
    # Passed on as they come, and no time-out of nginx's own cuts a stall short.
    location ~ ^/(cut|stall|slow)/ {
      proxy_pass http://127.0.0.1:$backend_port;
      proxy_buffering off;
      proxy_read_timeout 600s;
      send_timeout 600s;
    }
    location ~ ^/moved(/.*)\$ { return 302 \$1; }
    location ~ ^/tohttp(/.*)\$ { return 302 http://localhost:$plain_port\$1; }
  }
  # Serves the same files without TLS or authentication, so that a client
  # that got here would succeed; plain.log tells whether one did.
  server {
    listen 127.0.0.1:$plain_port;
    server_name localhost;
    access_log $dir/plain.log boxed;
    root $dir/boxes/\$test_box;
    location / { }
  }
}
CONF
  /usr/bin/python3 "$root/scripts/lib/faulty_backend.py" "$backend_port" &
  DOWNLOAD_HOST_BACKEND_PID=$!
  if ! /usr/sbin/nginx -p "$dir" -c "$dir/nginx.conf" 2>"$dir/start.log"; then
    cat "$dir/start.log" >&2
    echo "download host: nginx did not start (port $MEROVIX_TEST_PORT taken?)" >&2
    return 1
  fi
  DOWNLOAD_HOST_DIR="$dir"
  local i
  for i in $(seq 100); do
    curl -s -o /dev/null --cacert "$dir/host.crt" "https://$MEROVIX_TEST_HOST/" && break
    sleep 0.05
  done
  export MEROVIX_TEST_HOST_DIR="$dir" MEROVIX_TEST_CA="$dir/host.crt" MEROVIX_TEST_PLAIN_HOST="localhost:$plain_port"
}

download_host_stop() {
  if [ -n "${DOWNLOAD_HOST_DIR:-}" ] && [ -f "$DOWNLOAD_HOST_DIR/nginx.pid" ]; then
    local pid
    pid=$(cat "$DOWNLOAD_HOST_DIR/nginx.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    rm -rf "$DOWNLOAD_HOST_DIR"
  fi
  [ -n "${DOWNLOAD_HOST_BACKEND_PID:-}" ] && kill "$DOWNLOAD_HOST_BACKEND_PID" 2>/dev/null || true
  return 0
}
