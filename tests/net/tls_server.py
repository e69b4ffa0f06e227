# A loopback TLS server for the HTTP client's tests: serves with one
# certificate in one manner until it is stopped, and writes its port to a
# file once it listens. Manners: "ok" answers with the body the path asks
# for (/big: 5 MB, /ten: 10 KB, /count: how many body bytes the request
# brought, else a greeting) and a Content-Length;
# "tls10" accepts TLS 1.0 alone; "plain" answers at once without TLS; "cut" announces
# more than it sends and drops the connection without closing the session.
# It also stops by itself once its port file is gone (a test under wine
# cannot reach its process, and removes that file instead), or at the latest
# after LIFETIME seconds.
import os, socket, ssl, sys, time, warnings

port_file, cert, key, manner, family = sys.argv[1:6]
LIFETIME = 600
CHECK_EVERY = 0.2
born = time.monotonic()
# The old protocol is wanted here: Python's warning about it is not.
warnings.simplefilter('ignore', DeprecationWarning)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
if manner == 'tls10':
    context.set_ciphers('DEFAULT:@SECLEVEL=0')
    context.minimum_version = ssl.TLSVersion.TLSv1
    context.maximum_version = ssl.TLSVersion.TLSv1
context.load_cert_chain(cert, key)
host = '::1' if family == '6' else '127.0.0.1'
server = socket.create_server((host, 0), family=socket.AF_INET6 if family == '6' else socket.AF_INET)
with open(port_file + '.part', 'w') as f:
    f.write(str(server.getsockname()[1]))
os.rename(port_file + '.part', port_file)

def request_of(connection):
    """The request's header and as much of its body as its Content-Length announces."""
    data = b''
    while b'\r\n\r\n' not in data:
        piece = connection.recv(4096)
        if not piece:
            return data
        data += piece
    header, body = data.split(b'\r\n\r\n', 1)
    lengths = [line.split(b':', 1)[1] for line in header.split(b'\r\n') if line.lower().startswith(b'content-length:')]
    wanted = int(lengths[0]) if lengths else 0
    while len(body) < wanted:
        piece = connection.recv(65536)
        if not piece:
            break
        body += piece
    return header + b'\r\n\r\n' + body

server.settimeout(CHECK_EVERY)
while os.path.exists(port_file) and time.monotonic() - born < LIFETIME:
    try:
        connection, _ = server.accept()
    except socket.timeout:
        continue
    connection.settimeout(None)
    # As web servers do (nginx's tcp_nodelay): no answer waits on a delayed ACK.
    connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    try:
        if manner == 'plain':
            connection.sendall(b'HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nplain')
            connection.close()
            continue
        session = context.wrap_socket(connection, server_side=True)
        request = request_of(session) if manner != 'tls10' else b'GET / '
        target = request.split(b' ')[1]
        if target == b'/count':
            body = b'%d' % len(request.split(b'\r\n\r\n', 1)[1])
        else:
            body = b'x' * (5 * 1024 * 1024) if target == b'/big' else b'y' * 10240 if target == b'/ten' else b'hello over tls'
        length = len(body) + (100 if manner == 'cut' else 0)
        session.sendall(b'HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n' % length + body)
        if manner == 'cut':
            session.shutdown(socket.SHUT_RDWR)
            session.close()
        else:
            session.unwrap().close()
    except (OSError, ssl.SSLError, IndexError):
        connection.close()
