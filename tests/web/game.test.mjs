// The game page in headless chromium as a player meets it: the title, a round
// started with Enter, sound that waits for the first key, data files the
// server does not have, and F4 ending the game with the page saying so.
// Relies on harness.mjs and a browser build in WEB_DIR.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import { countPixels, launchBrowser, openPage, startServer, waitUntil } from './harness.mjs';

// The game's logo across the top of the title at 640x480: thousands of bright
// pixels there; the loading screen and a round have next to none.
const LOGO = [80, 20, 250, 100];
const TITLE_LOGO_PIXELS = 3000;
const ROUND_LOGO_PIXELS = 1000;
// The bonus pickup, yellow, at the right edge of the field when a round starts.
const PICKUP = [586, 222, 630, 258];
const ROUND_PICKUP_PIXELS = 20;
// The title ignores keys while it settles: Enter is pressed again after this.
const RETRY_MS = 3000;
const MISSING = ['/data/menu-hd.png', '/data/sfx/001.wav', '/data/sfx/satellites.ogg'];

const bright = (r, g, b) => r + g + b > 240;
const yellow = (r, g, b) => r > 180 && g > 160 && b < 110;

async function titleShown(page) {
  return countPixels(await page.screen(), LOGO, bright) > TITLE_LOGO_PIXELS;
}

async function roundShown(page) {
  const frame = await page.screen();
  return countPixels(frame, PICKUP, yellow) >= ROUND_PICKUP_PIXELS && countPixels(frame, LOGO, bright) < ROUND_LOGO_PIXELS;
}

async function startRound(page) {
  await waitUntil(() => titleShown(page), 'the title never showed its logo');
  await page.press('Enter', () => roundShown(page), 'Enter did not start a round', RETRY_MS);
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
    await waitUntil(() => titleShown(page), 'the title never showed its logo');
    await page.waitFor(() => Module.tarvikAudioStates().length > 0, 'no sound context was made');
    assert.deepEqual([...new Set(await page.evaluate(() => Module.tarvikAudioStates()))], ['suspended'],
                     'sound plays before the player has pressed anything');
    await page.press('Enter', () => roundShown(page), 'Enter did not start a round', RETRY_MS);
    await page.waitFor(() => Module.tarvikAudioStates().every((s) => s === 'running'),
                       'sound did not start after the first key');
    await page.close();
  });

  test('F4 ends the game and the page says so', async () => {
    const page = await openPage(browser, `${server.url}/skarnel.html`);
    await waitUntil(() => titleShown(page), 'the title never showed its logo');
    await page.press('F4', () => page.evaluate(() => Module.tarvikExitStatus !== null), 'F4 did not end the game');
    assert.equal(await page.evaluate(() => Module.tarvikExitStatus), 0);
    const status = await page.evaluate(() => {
      const element = document.getElementById('status');
      return getComputedStyle(element).display === 'none' ? '' : element.innerText;
    });
    assert.match(status, /The game has ended/);
    await page.close();
  });
});

test('an image and two sounds the server does not have leave the game playing', async (t) => {
  const server = await startServer();
  const browser = await launchBrowser();
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  MISSING.forEach((file) => server.missing.add(file));
  const page = await openPage(browser, `${server.url}/skarnel.html`);
  await startRound(page);
  await waitUntil(() => MISSING.every((file) => server.requests.some((r) => r.path === file)),
                  `the game never asked for ${MISSING.join(', ')}`);
  assert.equal(await page.evaluate(() => Module.tarvikExitStatus), null, page.lines.join('\n'));
  assert.ok(await roundShown(page), 'the round stopped');
});
