// The game page in headless chromium as a player meets it: the title, a round
// started with Enter, sound that waits for the first key, data files the
// server does not have (the page names a missing picture), F4 or Escape
// ending the game with the page saying so and no uncaught error from the
// sound it never started, a save the browser refuses (a notice that goes),
// and a page that cannot fetch the game, in a sandboxed frame or from a
// server without its script (the page says so).
// Relies on harness.mjs and a browser build in WEB_DIR.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import {
  launchBrowser, openPage, roundShown, startServer, TITLE_RETRY_MS, titleShown, waitUntil,
} from './harness.mjs';

// An image of the title, a sound effect and the round's music: each goes
// through a loader of its own (PNG, WAV, Ogg).
const MISSING = ['/data/menu-hd.png', '/data/sfx/001.wav', '/data/sfx/satellites.ogg'];

// Run in the page: what #status shows ('' when hidden), its class and where it sits.
function shownStatus() {
  const element = document.getElementById('status');
  const box = element.getBoundingClientRect();
  const shown = getComputedStyle(element).display !== 'none';
  return { text: shown ? element.innerText : '', kind: element.className, top: box.top, height: box.height };
}
// A notice while the game plays keeps to a strip along the top edge.
const NOTICE_STRIP = 80;

async function waitForTitle(page) {
  await waitUntil(async () => titleShown(await page.screen()), 'the title never showed its logo');
}

async function startRound(page) {
  await page.press('Enter', async () => roundShown(await page.screen()), 'Enter did not start a round',
                   TITLE_RETRY_MS);
}

describe('the game page', () => {
  let server, browser;
  before(async () => {
    server = await startServer();
    browser = await launchBrowser();
  });
  after(async () => {
    await browser?.close();
    await server?.close();
  });

  test('shows the title, starts a round on Enter, and sound starts with that first key', async () => {
    const page = await openPage(browser, `${server.url}/skarnel.html`);
    await waitForTitle(page);
    await page.waitFor(() => Module.tarvikAudioStates().length > 0, 'no sound context was made');
    assert.deepEqual([...new Set(await page.evaluate(() => Module.tarvikAudioStates()))], ['suspended'],
                     'sound plays before the player has pressed anything');
    await startRound(page);
    await page.waitFor(() => Module.tarvikAudioStates().every((s) => s === 'running'),
                       'sound did not start after the first key');
    await page.close();
  });

  // Either key as the very first: the sound it began to resume is closed
  // before it could start, which leaves no uncaught error behind.
  test('F4 or Escape ends the game, the page says so, and nothing is left uncaught', async () => {
    for (const key of ['F4', 'Escape']) {
      const page = await openPage(browser, `${server.url}/skarnel.html`);
      await waitForTitle(page);
      await page.press(key, () => page.evaluate(() => Module.tarvikExitStatus !== null), `${key} did not end the game`);
      assert.equal(await page.evaluate(() => Module.tarvikExitStatus), 0);
      const status = await page.evaluate(() => {
        const element = document.getElementById('status');
        return getComputedStyle(element).display === 'none' ? '' : element.innerText;
      });
      assert.match(status, /The game has ended/);
      await page.waitFor(() => Module.tarvikAudioStates().every((s) => s === 'closed'), 'sound was not closed');
      await page.evaluate(() => new Promise((resolve) => setTimeout(resolve, 0)));
      assert.deepEqual(page.lines.filter((line) => line.startsWith('page error')), [], key);
      await page.close();
    }
  });

  test('an image and two sounds the server does not have leave the game playing', async (t) => {
    const damaged = await startServer();
    t.after(() => damaged.close());
    MISSING.forEach((file) => damaged.missing.add(file));
    const page = await openPage(browser, `${damaged.url}/skarnel.html`);
    await waitForTitle(page);
    await startRound(page);
    await waitUntil(() => MISSING.every((file) => damaged.requests.some((r) => r.path === file)),
                    `the game never asked for ${MISSING.join(', ')}`);
    assert.equal(await page.evaluate(() => Module.tarvikExitStatus), null, page.lines.join('\n'));
    assert.ok(roundShown(await page.screen()), 'the round stopped');
    const notice = await page.evaluate(shownStatus);
    assert.match(notice.text, /the server does not have data\/menu-hd\.png/);
    assert.doesNotMatch(notice.text, /sfx/, 'a missing sound is no picture the game cannot show');
    assert.ok(notice.kind === 'notice' && notice.top + notice.height < NOTICE_STRIP, JSON.stringify(notice));
    await page.close();
  });

  test('a save the browser refuses is told in a notice along the top that goes again', async () => {
    const page = await openPage(browser, `${server.url}/skarnel.html`);
    await waitForTitle(page);
    await page.evaluate(() => {
      IDBObjectStore.prototype.put = () => { throw new DOMException('the disk is full', 'QuotaExceededError'); };
    });
    // Leaving the canvas suspends the game, which saves.
    await page.evaluate(() => document.getElementById('canvas').blur());
    await page.waitFor(() => /could not be saved/.test(document.getElementById('status').innerText),
                       'the refused save was not told on the page');
    const notice = await page.evaluate(shownStatus);
    assert.ok(notice.kind === 'notice' && notice.top + notice.height < NOTICE_STRIP, JSON.stringify(notice));
    assert.ok(page.lines.some((line) => /could not be stored by the browser/.test(line)), page.lines.join('\n'));
    await page.waitFor(() => getComputedStyle(document.getElementById('status')).display === 'none',
                       'the notice stayed over the game');
    assert.equal(await page.evaluate(() => Module.tarvikExitStatus), null);
    await page.close();
  });

  test('a page that cannot fetch the game (sandboxed frame, no script) says so instead of loading', async (t) => {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'web_frame_'));
    fs.writeFileSync(path.join(folder, 'frame.html'),
                     '<!doctype html><iframe sandbox="allow-scripts" src="/skarnel.html" width="640" height="480">' +
                     '</iframe>');
    const framing = await startServer({ mounts: { '/framing/': folder } });
    t.after(async () => {
      await framing.close();
      fs.rmSync(folder, { recursive: true, force: true });
    });
    const page = await openPage(browser, `${framing.url}/framing/frame.html`);
    const frameStatus = async () => {
      const frame = page.page.frames().find((f) => f.url().endsWith('/skarnel.html'));
      return frame ? frame.evaluate(() => document.getElementById('status')?.innerText || '').catch(() => '') : '';
    };
    await waitUntil(async () => /could not be loaded/.test(await frameStatus()), 'the framed page kept loading');
    assert.match(await frameStatus(), /inside a frame/);
    await page.close();

    // So does a page whose server does not have the program's script.
    framing.missing.add('/skarnel.js');
    const bare = await openPage(browser, `${framing.url}/skarnel.html`);
    await bare.waitFor(() => /could not be loaded \(the server did not give .*skarnel\.js\)/.test(
      document.getElementById('status').innerText), 'the page without its script kept loading');
    await bare.close();
  });
});
