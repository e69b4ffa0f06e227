// The browser SDK as a developer outside this tree uses it: the browser
// build's `tarvik` component installed into a scratch prefix, the examples it
// carries and a newcomer's game of its own (tests/sdk/newcomer) configured
// with `emcmake cmake` against that prefix alone and built into pages, served
// and played in chromium. Relies on harness.mjs and a configured build-web.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import {
  countPixels, launchBrowser, openPage, repoRoot, startServer, waitUntil, webDir,
} from './harness.mjs';

const WHOLE_SCREEN = [0, 0, 640, 480];
// One short line of the default font lights this many pixels; a blank page none.
const TEXT_PIXELS = 100;
const lit = (r, g, b) => r + g + b > 240;
const GAME_TITLE = 'Sternenfänger';
// Where the page keeps its files (web/tarvik_pre.js).
const DATABASE = 'tarvik';
const STORE = 'files';
const STATE_NAME = '.tarvikstate';

function run(command, args, options = {}) {
  try {
    return execFileSync(command, args, { encoding: 'utf8', stdio: 'pipe', ...options });
  } catch (error) {
    throw new Error(`${command} ${args.join(' ')} failed:\n${error.stdout}${error.stderr}`);
  }
}

// Configures and builds `source` as pages against the installed package.
function buildPages(source, out, prefix) {
  // emscripten's toolchain looks for packages only under its find roots.
  run('emcmake', ['cmake', '-S', source, '-B', out, `-DCMAKE_FIND_ROOT_PATH=${prefix}`]);
  run('cmake', ['--build', out, '-j2']);
}

// Run in the page: the text this page keeps in the browser's storage under
// a name ending in `name`, or null.
function storedText(database, store, name) {
  return new Promise((resolve) => {
    const request = indexedDB.open(database);
    request.onerror = () => resolve(null);
    request.onsuccess = () => {
      const files = request.result.transaction(store).objectStore(store);
      const keys = files.getAllKeys();
      keys.onerror = () => resolve(null);
      keys.onsuccess = () => {
        const key = keys.result.find((k) => k.startsWith(`${location.pathname}|`) && k.endsWith(`/${name}`));
        if (!key) return resolve(null);
        const value = files.get(key);
        value.onerror = () => resolve(null);
        value.onsuccess = () => resolve(new TextDecoder().decode(value.result));
      };
    };
  });
}

function field(record, name) {
  const found = (record || '').split(';').find((f) => f.startsWith(`${name}=`));
  return found === undefined ? null : found.substring(name.length + 1);
}

test('the examples and a program of a newcomer\'s own become pages from the installed browser package alone',
  async (t) => {
    const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'tarvik-web-sdk-'));
    const browser = await launchBrowser();
    let server = null;
    t.after(async () => {
      await browser.close();
      if (server) await server.close();
      fs.rmSync(scratch, { recursive: true, force: true });
    });

    // Installed, then moved: the package must work wherever it lands.
    const staged = path.join(scratch, 'staged');
    run('cmake', ['--install', webDir, '--component', 'tarvik', '--prefix', staged]);
    const prefix = path.join(scratch, 'elsewhere', 'Tarvik');
    fs.mkdirSync(path.dirname(prefix));
    fs.renameSync(staged, prefix);
    for (const file of ['lib/libtarvik.a', 'lib/cmake/Tarvik/TarvikConfig.cmake', 'include/tarvik/tarvik.h',
      'share/tarvik/web/page.html', 'share/tarvik/web/tarvik_pre.js', 'share/tarvik/data/kelvo_font.png']) {
      assert.ok(fs.existsSync(path.join(prefix, file)), `the browser package holds ${file}`);
    }

    const examples = path.join(scratch, 'examples');
    buildPages(path.join(prefix, 'share/doc/libtarvik-dev/examples'), examples, prefix);
    const stars = path.join(scratch, 'stars');
    buildPages(path.join(repoRoot, 'tests/sdk/newcomer'), stars, prefix);
    for (const [folder, page] of [[examples, 'hello'], [examples, 'http_get'], [stars, 'stars']]) {
      for (const made of [`${page}.html`, `${page}.js`, `${page}.wasm`, 'data/kelvo_font.png']) {
        assert.ok(fs.existsSync(path.join(folder, made)), `${made} was built into ${folder}`);
      }
    }
    server = await startServer({ mounts: { '/examples/': examples, '/stars/': stars } });

    // hello: its window title, its text drawn, and Escape ends it.
    const hello = await openPage(browser, `${server.url}/examples/hello.html`);
    await hello.waitFor(() => document.title === 'Hello, Tarvik', 'hello never named its page');
    await waitUntil(async () => countPixels(await hello.screen(), WHOLE_SCREEN, lit) > TEXT_PIXELS,
      'hello never drew its text');
    await hello.press('Escape', () => hello.evaluate(() => Module.tarvikExitStatus === 0), 'Escape did not end hello');
    await hello.close();

    // The newcomer's game plays a round by itself (no key moves the paddle)
    // and keeps its record in the browser's storage; Escape ends it, and the
    // page opened again reads that record and adds the next round to it.
    const game = await openPage(browser, `${server.url}/stars/stars.html`);
    await game.waitFor(() => document.title === 'Sternenfänger', 'the game never named its page by its UTF-8 title');
    const stored = () => game.evaluate(storedText, DATABASE, STORE, STATE_NAME);
    await waitUntil(async () => field(await stored(), 'rounds') === '1', 'the first round was never stored');
    const first = await stored();
    assert.equal(field(first, 'game'), GAME_TITLE, `the record keeps the game's name as written: ${first}`);
    const best = Number(field(first, 'best'));
    // The stars that fall onto the paddle where it rests score.
    assert.ok(Number.isInteger(best) && best >= 1, `the record keeps the round's score as the best: ${first}`);
    await game.press('Escape', () => game.evaluate(() => Module.tarvikExitStatus === 0), 'Escape did not end the game');
    await game.reload();
    await waitUntil(async () => field(await stored(), 'rounds') === '2',
      'the page opened again did not add its round to the stored record');
    const second = await stored();
    assert.equal(Number(field(second, 'best')), best, `the same stars fall alike, so the best stays: ${second}`);
    await game.close();
  });
