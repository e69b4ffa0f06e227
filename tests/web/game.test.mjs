// The game page in headless chromium as a player meets it: the title, a round
// started with Enter, sound that waits for the first key, data files the
// server does not have, and F4 or Escape ending the game with the page saying
// so and no uncaught error from the sound it never started.
// Relies on harness.mjs and a browser build in WEB_DIR.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import {
  launchBrowser, openPage, roundShown, startServer, TITLE_RETRY_MS, titleShown, waitUntil,
} from './harness.mjs';

// An image of the title, a sound effect and the round's music: each goes
// through a loader of its own (PNG, WAV, Ogg).
const MISSING = ['/data/menu-hd.png', '/data/sfx/001.wav', '/data/sfx/satellites.ogg'];

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
    await page.close();
  });
});
