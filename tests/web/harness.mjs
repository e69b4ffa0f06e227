// Helpers shared by the browser tests (and the web benchmark): a static file
// server on 127.0.0.1 over the browser build, Debian's chromium driven through
// puppeteer-core, and a page wrapper that reads console lines, screen pixels
// and in-memory files, presses keys as a player does and waits on conditions
// with a generous deadline. Never a fixed sleep as proof.
//
//   const server = await startServer({ mounts: { '/timelines/': dir } });
//     server.url; server.requests ([{ path, status, bytes, answered }]); server.bytesServed();
//     server.missing.add('/data/x.png')  (answered 404); await server.close();
//     const release = server.hold('/data/gfx')  (paths holding it are answered once release() is called)
//   const browser = await launchBrowser(args);    one per test file (args: more of chromium's); await browser.close()
//   const page = await openPage(browser, server.url + '/skarnel.html', { viewport, beforeOpen, context });
//     (viewport: puppeteer's, default SCREEN; beforeOpen(page, session): emulation set before the page loads;
//     context: another page's page.context, to share its storage, else a context of its own)
//     page.lines (console); page.evaluate(fn, ...args); page.waitFor(fn, what); page.screen() -> frame;
//     page.press(key, check, what, retryMs); page.frames(count); page.readFile(path); page.reload();
//     page.close(); page.page (puppeteer's own page); page.session (its DevTools session)
//   await storedInBrowser(page, '.tarvikstate') -> the text the browser stores for that file of the page, or null
//   countPixels(frame, [x0, y0, x1, y1], (r, g, b) => bool); titleShown(frame); roundShown(frame);
//   TITLE_RETRY_MS; waitUntil(check, what, ms); repoRoot, webDir (env WEB_DIR, default build-web), buildDir (env
//   BUILD_DIR, default build)
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import zlib from 'node:zlib';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

export const repoRoot = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const webDir = path.resolve(repoRoot, process.env.WEB_DIR || 'build-web');
export const buildDir = path.resolve(repoRoot, process.env.BUILD_DIR || 'build');

// Any one effect may take this long on a loaded machine before a test fails.
export const DEADLINE_MS = 90_000;
const POLL_MS = 100;
// A key is held this many of the page's animation frames: the game's frame
// callback runs in each, so the game reads it held at least once.
const HOLD_FRAMES = 4;
// The title ignores keys while it settles: its first key is pressed again
// after this long without an effect (press's retryMs).
export const TITLE_RETRY_MS = 3000;
const CONSOLE_TAIL = 20;       // console lines quoted when a wait fails
// The replayer starts at 640x480; the game page is given the same size so
// both draw the same virtual screen at one pixel a unit.
export const SCREEN = { width: 640, height: 480 };

const CHROMIUM = '/usr/bin/chromium';
const CHROMIUM_ARGS = [
  '--no-sandbox',                      // runs as root in CI
  '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',  // WebGL without a GPU
  // Web Audio waits for the first key or click, as in a browser of the web
  // (user-gesture-required leaves Web Audio free to start).
  '--autoplay-policy=document-user-activation-required',
];

const MIME_TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.ogg': 'audio/ogg',
  '.wav': 'audio/wav',
  '.txt': 'text/plain; charset=utf-8',
  '.webmanifest': 'application/manifest+json',
};

// Serves files under `mounts` (URL prefix -> folder; '/' is the browser
// build) and records every request with the bytes sent.
export async function startServer({ mounts = {} } = {}) {
  const roots = Object.entries({ '/': webDir, ...mounts }).sort((a, b) => b[0].length - a[0].length);
  const requests = [];
  const missing = new Set();
  const holds = [];
  const server = http.createServer(async (request, response) => {
    const urlPath = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    const entry = { path: urlPath, status: 404, bytes: 0, answered: false };
    requests.push(entry);
    const [prefix, folder] = roots.find(([p]) => urlPath.startsWith(p));
    const file = path.join(folder, urlPath.substring(prefix.length));
    // No caching: a reload fetches everything again, as a first visit does.
    const headers = { 'Cache-Control': 'no-store' };
    const notFound = () => {
      response.writeHead(404, headers);
      response.end();
      entry.answered = true;
    };
    if (missing.has(urlPath) || !file.startsWith(folder + path.sep)) {
      notFound();
      return;
    }
    await Promise.all(holds.filter((hold) => urlPath.includes(hold.part)).map((hold) => hold.released));
    // As a web server with gzip_static does: the build's gzip copy of a
    // file, when there is one, goes to a browser that takes gzip.
    const gzipped = /\bgzip\b/.test(request.headers['accept-encoding'] || '') && fs.existsSync(`${file}.gz`);
    fs.readFile(gzipped ? `${file}.gz` : file, (error, body) => {
      if (error) {
        notFound();
        return;
      }
      entry.status = 200;
      entry.bytes = body.length;
      headers['Content-Type'] = MIME_TYPES[path.extname(file)] || 'application/octet-stream';
      headers.Vary = 'Accept-Encoding';
      if (gzipped) headers['Content-Encoding'] = 'gzip';
      response.writeHead(200, headers);
      response.end(body);
      entry.answered = true;
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${server.address().port}`,
    requests,
    missing,
    hold(part) {
      let release;
      holds.push({ part, released: new Promise((resolve) => { release = resolve; }) });
      return release;
    },
    bytesServed: () => requests.reduce((sum, r) => sum + r.bytes, 0),
    close: () => new Promise((resolve) => { server.closeAllConnections(); server.close(resolve); }),
  };
}

export function launchBrowser(extraArgs = []) {
  return puppeteer.launch({ executablePath: CHROMIUM, headless: true, args: [...CHROMIUM_ARGS, ...extraArgs] });
}

// Polls the async `check` until it answers true (-> true) or `ms` pass (-> false).
async function poll(check, ms) {
  const end = Date.now() + ms;
  for (;;) {
    if (await check()) return true;
    if (Date.now() > end) return false;
    await new Promise((resolve) => setTimeout(resolve, POLL_MS));
  }
}

// Polls the async `check` until it answers true, or fails with `what`.
export async function waitUntil(check, what, deadlineMs = DEADLINE_MS) {
  if (!(await poll(check, deadlineMs))) throw new Error(`${what} (waited ${deadlineMs / 1000} s)`);
}

// Opens `url` in a browser context of its own (so its stored files start
// empty) at the screen size or `viewport` (puppeteer's: a phone's has
// isMobile and hasTouch), collecting the console from the first line;
// `beforeOpen` may set emulation (throttling) before the page loads.
export async function openPage(browser, url, { viewport = SCREEN, beforeOpen, context: shared } = {}) {
  const context = shared || await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport(viewport);
  const lines = [];
  page.on('console', (message) => lines.push(message.text()));
  page.on('pageerror', (error) => lines.push(`page error: ${error.message}`));
  // Reads in the page go through the DevTools protocol without a user
  // gesture (puppeteer's own evaluate acts as one): a test that looks at the
  // page must not count as the player having pressed something.
  const session = await page.createCDPSession();
  if (beforeOpen) await beforeOpen(page, session);
  await page.goto(url);

  const evaluate = async (fn, ...args) => {
    const { result, exceptionDetails } = await session.send('Runtime.evaluate', {
      expression: `(${fn})(...${JSON.stringify(args)})`, returnByValue: true, awaitPromise: true });
    if (exceptionDetails) throw new Error(exceptionDetails.exception?.description || exceptionDetails.text);
    return result.value;
  };
  const tail = () => lines.slice(-CONSOLE_TAIL).join('\n');
  const self = {
    page,
    context,
    session,
    lines,
    evaluate,

    // Resolves after `count` of the page's frames.
    frames: (count) => evaluate(animationFrames, count),

    // Waits until `fn` (run in the page) answers true; until the page has
    // loaded, a call that throws reads as false.
    async waitFor(fn, what, deadlineMs = DEADLINE_MS) {
      let last = '';
      const check = () => evaluate(fn).catch((error) => { last = error.message; return false; });
      if (!(await poll(check, deadlineMs))) {
        throw new Error(`${what} (waited ${deadlineMs / 1000} s) ${last}\nconsole:\n${tail()}`);
      }
    },

    // The page as shown, composited: WebGL's drawing buffer may already be
    // cleared when the canvas itself is read.
    async screen() {
      return decodePng(await page.screenshot({ type: 'png' }));
    },

    // Presses `key` as a player does, held across a few of the page's frames
    // (a key that goes down and up between two frames may pass unseen), then
    // waits until the async `check` holds. With `retryMs`, a key that met no
    // screen ready for it is pressed again after that long.
    async press(key, check, what, retryMs = DEADLINE_MS) {
      const end = Date.now() + DEADLINE_MS;
      for (;;) {
        await page.keyboard.down(key);
        await evaluate(animationFrames, HOLD_FRAMES);
        await page.keyboard.up(key);
        if (await poll(check, Math.min(retryMs, end - Date.now()))) return;
        if (Date.now() >= end) {
          throw new Error(`${what} (pressed ${key}, waited ${DEADLINE_MS / 1000} s)\nconsole:\n${tail()}`);
        }
      }
    },

    // A file of the page's in-memory file system, or null.
    readFile: (file) => evaluate((f) => {
      try { return FS.readFile(f, { encoding: 'utf8' }); } catch (e) { return null; }
    }, file),

    async reload() {
      lines.length = 0;
      await page.reload();
    },

    close: () => (shared ? page.close() : context.close()),
  };
  return self;
}

// The text the browser stores for the page's file `name` (web/tarvik_pre.js
// keeps each in IndexedDB under the page's path), or null.
export function storedInBrowser(page, name) {
  return page.evaluate((database, store, file) => new Promise((resolve) => {
    const request = indexedDB.open(database);
    // A look must not make the page's database before the page does.
    request.onupgradeneeded = () => request.transaction.abort();
    request.onerror = () => resolve(null);
    request.onsuccess = () => {
      if (!request.result.objectStoreNames.contains(store)) {
        request.result.close();
        resolve(null);
        return;
      }
      const keys = request.result.transaction(store).objectStore(store).getAll(IDBKeyRange.only(
        `${location.pathname}|/${file}`));
      keys.onsuccess = () => resolve(keys.result.length ? new TextDecoder().decode(keys.result[0]) : null);
      keys.onerror = () => resolve(null);
      request.result.close();
    };
  }), 'tarvik', 'files', name);
}

// Run in the page: resolves after `count` animation frames.
function animationFrames(count) {
  return new Promise((resolve) => {
    const tick = () => (--count <= 0 ? resolve(true) : requestAnimationFrame(tick));
    requestAnimationFrame(tick);
  });
}

// Pixels of `frame` inside [x0, y0, x1, y1) for which `test(r, g, b)` holds.
export function countPixels(frame, [x0, y0, x1, y1], test) {
  let n = 0;
  for (let y = y0; y < Math.min(y1, frame.height); ++y) {
    for (let x = x0; x < Math.min(x1, frame.width); ++x) {
      const i = (y * frame.width + x) * frame.channels;
      if (test(frame.data[i], frame.data[i + 1], frame.data[i + 2])) ++n;
    }
  }
  return n;
}

// The game's screens at 640x480. The title has its logo across the top:
// thousands of bright pixels there, where the loading screen and a round have
// next to none. A round starts with the yellow bonus pickup at the right edge.
const LOGO = [80, 20, 250, 100];
const TITLE_LOGO_PIXELS = 3000;
const ROUND_LOGO_PIXELS = 1000;
const PICKUP = [586, 222, 630, 258];
const ROUND_PICKUP_PIXELS = 20;
const bright = (r, g, b) => r + g + b > 240;
const yellow = (r, g, b) => r > 180 && g > 160 && b < 110;

export function titleShown(frame) {
  return countPixels(frame, LOGO, bright) > TITLE_LOGO_PIXELS;
}

export function roundShown(frame) {
  return countPixels(frame, PICKUP, yellow) >= ROUND_PICKUP_PIXELS &&
         countPixels(frame, LOGO, bright) < ROUND_LOGO_PIXELS;
}

const PNG_SIGNATURE = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
const PNG_CHANNELS = { 2: 3, 6: 4 };   // colour type -> channels: RGB, RGBA

// Decodes an 8-bit, non-interlaced RGB or RGBA PNG (what chromium's
// screenshots and the replayer's frames are) into { width, height, channels, data }.
export function decodePng(bytes) {
  const png = Buffer.from(bytes.buffer, bytes.byteOffset, bytes.length);
  if (!png.subarray(0, PNG_SIGNATURE.length).equals(PNG_SIGNATURE)) throw new Error('not a PNG');
  let width = 0, height = 0, channels = 0;
  const compressed = [];
  for (let at = PNG_SIGNATURE.length; at < png.length;) {
    const length = png.readUInt32BE(at);
    const type = png.toString('latin1', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = PNG_CHANNELS[body[9]];
      if (body[8] !== 8 || !channels || body[12] !== 0) throw new Error('unsupported PNG layout');
    } else if (type === 'IDAT') {
      compressed.push(body);
    }
    at += length + 12;   // length, type, body, CRC
  }
  const raw = zlib.inflateSync(Buffer.concat(compressed));
  const stride = width * channels;
  const data = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const left = x >= channels ? data[y * stride + x - channels] : 0;
      const up = y > 0 ? data[(y - 1) * stride + x] : 0;
      const upLeft = y > 0 && x >= channels ? data[(y - 1) * stride + x - channels] : 0;
      data[y * stride + x] = (line[x] + unfilter(filter, left, up, upLeft)) & 0xff;
    }
  }
  return { width, height, channels, data };
}

function unfilter(filter, left, up, upLeft) {
  switch (filter) {
    case 0: return 0;
    case 1: return left;
    case 2: return up;
    case 3: return (left + up) >> 1;
    case 4: {
      const p = left + up - upLeft;
      const pa = Math.abs(p - left), pb = Math.abs(p - up), pc = Math.abs(p - upLeft);
      return pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
    }
    default: throw new Error(`bad PNG filter ${filter}`);
  }
}
