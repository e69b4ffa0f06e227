// The network layer in the browser: HTTP through the page's fetch against a
// loopback server this file starts (on another port than the pages, so the
// browser's cross-origin rules apply), https against loopback TLS servers
// with certificates made here by tests/net/tls_certificates.sh (chromium
// trusts the good certificate's key alone, as it would a certificate of a
// CA it knows), and sockets, which a page cannot open. Runs the probe page
// (tests/web/net_probe) and the http_get example of the browser build
// through the shared harness.
import test, { after, before } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import http from 'node:http';
import https from 'node:https';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { launchBrowser, openPage, repoRoot, startServer, waitUntil } from './harness.mjs';

// The most a page keeps of one answer (kHttpMaxResponseBytes, net/http.h).
const PAGE_ANSWER_LIMIT = 16 * 1024 * 1024;
const GREETING = 'h\u00e9llo w\u00f6rld \u2713';   // 13 units, 17 bytes in UTF-8
const ANY_ORIGIN = { 'Access-Control-Allow-Origin': '*' };

// Requests to /silent, which are never answered: how many arrived, and how
// many of those the page then closed.
let silentArrived = 0;
let silentClosed = 0;
let injected = 0;

// Answers the pages: a greeting, an echo of what a POST brought, an answer one
// byte over what a page keeps, and never for /silent. Any request that
// arrives with an X-Injected header is counted: none may.
function startApi() {
  const server = http.createServer((request, response) => {
    if (request.headers['x-injected'] !== undefined) ++injected;
    if (request.method === 'OPTIONS') {
      response.writeHead(204, { ...ANY_ORIGIN, 'Access-Control-Allow-Methods': 'POST',
                                'Access-Control-Allow-Headers': 'X-Probe' });
      response.end();
    } else if (request.url === '/greeting') {
      response.writeHead(200, { ...ANY_ORIGIN, 'Content-Type': 'text/plain; charset=utf-8' });
      response.end(GREETING);
    } else if (request.url === '/silent') {
      ++silentArrived;
      response.on('close', () => ++silentClosed);
    } else if (request.url === '/large') {
      response.writeHead(200, ANY_ORIGIN);
      response.end(Buffer.alloc(PAGE_ANSWER_LIMIT + 1, 'x'));
    } else {
      const body = [];
      request.on('data', (piece) => body.push(piece));
      request.on('end', () => {
        response.writeHead(201, ANY_ORIGIN);
        response.end([`${request.method} ${request.url}`, request.headers['x-probe'], request.headers['content-type'],
                      Buffer.concat(body).toString('utf8')].join(' | '));
      });
    }
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// An https server answering every request with the greeting, with the
// certificate `name` of the folder tls_certificates.sh filled.
function startTls(folder, name) {
  const server = https.createServer({ cert: fs.readFileSync(path.join(folder, `${name}.pem`)),
                                      key: fs.readFileSync(path.join(folder, `${name}.key`)) },
                                    (request, response) => {
    response.writeHead(200, { ...ANY_ORIGIN, 'Content-Type': 'text/plain; charset=utf-8' });
    response.end(GREETING);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// The base64 SHA-256 of a certificate's public key, as chromium's list of
// keys whose certificates it accepts takes it.
function keyHash(certificateFile) {
  const key = crypto.createPublicKey(fs.readFileSync(certificateFile)).export({ type: 'spki', format: 'der' });
  return crypto.createHash('sha256').update(key).digest('base64');
}

// A port nothing listens on: taken, then given back.
async function closedPort() {
  const server = net.createServer();
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

let pages, api, listener, browser, probe, certificates, goodTls, strangerTls;
let listenerConnections = 0;

before(async () => {
  pages = await startServer();
  api = await startApi();
  listener = net.createServer((socket) => {
    ++listenerConnections;
    socket.destroy();
  });
  await new Promise((resolve) => listener.listen(0, '127.0.0.1', resolve));
  certificates = fs.mkdtempSync(path.join(os.tmpdir(), 'tarvik-web-tls-'));
  execFileSync('sh', [path.join(repoRoot, 'tests/net/tls_certificates.sh'), certificates], { stdio: 'ignore' });
  goodTls = await startTls(certificates, 'good');
  strangerTls = await startTls(certificates, 'stranger');
  browser = await launchBrowser([`--ignore-certificate-errors-spki-list=${keyHash(path.join(certificates, 'good.pem'))}`]);
  const args = [`http://127.0.0.1:${api.address().port}`, await closedPort(), listener.address().port];
  probe = await openPage(browser, `${pages.url}/tests/net_probe.html?` +
                                  args.map((a) => `arg=${encodeURIComponent(a)}`).join('&'));
});

after(async () => {
  await browser?.close();
  await pages?.close();
  api?.closeAllConnections();
  api?.close();
  listener?.close();
  goodTls?.closeAllConnections();
  goodTls?.close();
  strangerTls?.closeAllConnections();
  strangerTls?.close();
  if (certificates) fs.rmSync(certificates, { recursive: true, force: true });
});

// The probe's line for `name`, once it has printed it.
async function outcome(page, name) {
  let line;
  await waitUntil(() => (line = page.lines.find((l) => l.startsWith(`${name} `))) !== undefined,
                  `the probe reports its ${name} request\n${page.lines.slice(-10).join('\n')}`);
  return line;
}

test('a POST carries its method, target, header lines and encoded body; its status and text come back', async () => {
  assert.equal(await outcome(probe, 'post'),
               'post pumped 201 POST /echo?q=1 | two words | text/plain; charset=utf-8 | caf\u00e9 \u2713');
});

test('an answer larger than a page keeps completes with status -1 and no text', async () => {
  assert.match(await outcome(probe, 'large'), /^large pumped -1\s*$/);
});

test('a URL that would smuggle a header line is refused with a line and -1, and never fetched', async () => {
  assert.match(await outcome(probe, 'unsafe'), /^unsafe pumped -1\s*$/);
  assert.ok(probe.lines.some((l) => l.startsWith('HTTP request refused: a control character in the URL')));
  assert.equal(injected, 0);
});

test('a refused connection completes with status -1 and no text', async () => {
  assert.match(await outcome(probe, 'refused'), /^refused pumped -1\s*$/);
});

test('a request past its time-out and a cancelled one complete with -1 and abort their fetch', async () => {
  assert.match(await outcome(probe, 'timeout'), /^timeout pumped -1\s*$/);
  assert.match(await outcome(probe, 'cancel'), /^cancel pumped -1\s*$/);
  await waitUntil(() => silentClosed === silentArrived,
                  `the server sees every fetch that reached it end (${silentClosed} of ${silentArrived})`);
});

test('a socket in a page fails to connect, through the pump, reaching no server; the page runs on', async () => {
  assert.equal(await outcome(probe, 'socket'), 'socket pumped failed');
  assert.equal(listenerConnections, 0);
  assert.equal(await probe.evaluate(() => Module.tarvikExitStatus), null);
});

test('the http_get example page fetches the URL its address names', async () => {
  const url = `http://127.0.0.1:${api.address().port}/greeting`;
  const page = await openPage(browser, `${pages.url}/examples/http_get.html?url=${encodeURIComponent(url)}`);
  await waitUntil(() => page.lines.includes(`status 200, ${GREETING.length} characters`),
                  `http_get reports the greeting\n${page.lines.slice(-10).join('\n')}`);
  await page.close();
});

test('https goes through the page\'s fetch: a trusted certificate answers, any other completes with -1', async () => {
  const good = `https://127.0.0.1:${goodTls.address().port}/greeting`;
  const stranger = `https://127.0.0.1:${strangerTls.address().port}/greeting`;
  for (const [url, line] of [[good, `status 200, ${GREETING.length} characters`], [stranger, 'status -1, 0 characters']]) {
    const page = await openPage(browser, `${pages.url}/examples/http_get.html?url=${encodeURIComponent(url)}`);
    await waitUntil(() => page.lines.includes(line), `http_get reports "${line}" for ${url}\n${page.lines.slice(-10).join('\n')}`);
    await page.close();
  }
});
