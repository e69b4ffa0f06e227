// The page as the game's window: the canvas follows the browser window's
// size; every screen fits a landscape phone, a 2.4:1 phone and a 4:3 tablet;
// the option box's full-screen row follows the browser leaving full screen by
// itself; and a page that is hidden suspends the game and saves at once, since
// a hidden page gets no more frames in which to do it. Relies on harness.mjs.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import {
  countPixels, launchBrowser, openPage, startServer, TITLE_RETRY_MS, titleShown, waitUntil,
} from './harness.mjs';

const WIDER = { width: 900, height: 700 };
const STATE_FILE = '/.tarvikstate';

// Run in the page: the in-memory state file's last change, 0 when there is none.
function stateChanged(file) {
  try {
    return FS.stat(file).mtime.getTime();
  } catch (e) {
    return 0;
  }
}

// Run in the page: the tab is hidden, as when the player switches tabs.
function hidePage() {
  Object.defineProperty(document, 'hidden', { value: true, configurable: true });
  Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true });
  document.dispatchEvent(new Event('visibilitychange'));
  return true;
}

test('the canvas follows the window, and hiding the page saves at once', async (t) => {
  const server = await startServer();
  const browser = await launchBrowser();
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  const page = await openPage(browser, `${server.url}/skarnel.html`);
  await page.waitFor(() => Module.tarvikAudioStates().length > 0, 'the game never started');

  await page.page.setViewport(WIDER);
  await waitUntil(() => page.evaluate((w, h) => Module.canvas.width === w && Module.canvas.height === h,
                                      WIDER.width, WIDER.height),
                  'the canvas kept its size when the window grew');

  const before = await page.evaluate(stateChanged, STATE_FILE);
  await page.evaluate(hidePage);
  // No frame runs in a hidden page: the save happens in the event itself.
  const after = await page.evaluate(stateChanged, STATE_FILE);
  assert.ok(after > before, 'hiding the page did not save the state file');
});

// A landscape phone (844 x 390 CSS pixels), the widest phone shape (2.4:1)
// and a tablet (4:3).
const SHAPES = [{ width: 844, height: 390 }, { width: 936, height: 390 }, { width: 1024, height: 768 }];

// Screen parts found by colour, in window pixels.
const bright = (r, g, b) => r + g + b > 360;
const pickupYellow = (r, g, b) => r > 180 && g > 160 && b < 110;
const focusYellow = (r, g, b) => r > 200 && g > 200 && b < 80;   // the ring round the focused pause item
const optionBar = (r, g, b) => b > 60 && b > r + 10;             // a row's blue bar over the box's orange
const focusedBar = (r, g, b) => g > 90 && b > 90 && r < 110;     // the focused row's light blue bar
const boxOrange = (r, g, b) => r > 110 && g > 40 && g < 100 && b < 40;
const overTitle = (r, g, b) => r > 200 && g > 140 && g < 220 && b > 140 && b < 220;
const RETRY_MS = 1000;       // a key the game did not take yet is pressed again after this long
// Escape both opens and closes the pause menu: pressed again only well after
// the menu would have shown.
const PAUSE_RETRY_MS = 5000;
const ITEM_STRIP = 0.2;      // the pause menu's items stand in this share of the width, on the left
const BUSY_ROW = 6;          // bright pixels that make a row of the strip part of an item
const ITEM_GAP = 4;          // rows between two items at the least
const MIN_PART_ROWS = 10;    // a shorter run is a stray star, not a part of the screen

// Runs [first, last] of rows of `frame` within x0..x1 where at least `least`
// pixels pass `test`, rows closer than `gap` joining, runs under `minRows` left out.
function rowRuns(frame, x0, x1, test, least, gap, minRows) {
  const runs = [];
  for (let y = 0; y < frame.height; ++y) {
    if (countPixels(frame, [x0, y, x1, y + 1], test) < least) continue;
    const last = runs[runs.length - 1];
    if (last && y - last[1] <= gap) last[1] = y;
    else runs.push([y, y]);
  }
  return runs.filter(([a, b]) => b - a + 1 >= minRows);
}

// Presses `key` where the press shows nothing to wait for, then lets the game
// run a few turns: a key pressed while the last one still holds the game's
// key latch would go unseen.
const SETTLE_FRAMES = 10;
async function tap(page, key) {
  await page.press(key, async () => true, `${key} was not pressed`);
  await page.evaluate((count) => new Promise((resolve) => {
    const tick = () => (--count <= 0 ? resolve(true) : requestAnimationFrame(tick));
    requestAnimationFrame(tick);
  }), SETTLE_FRAMES);
}

// Every run lies clear of the window's top and bottom edges: nothing is cut off.
const clear = (runs, height) => runs.length > 0 && runs[0][0] > 0 && runs[runs.length - 1][1] < height - 1;

test('every screen fits a landscape phone, the widest phone and a tablet', async (t) => {
  const server = await startServer();
  const browser = await launchBrowser();
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  for (const shape of SHAPES) {
    const size = `${shape.width}x${shape.height}`;
    const page = await openPage(browser, `${server.url}/skarnel.html`);
    await page.page.setViewport(shape);
    await waitUntil(() => page.evaluate((w, h) => Module.canvas.width === w && Module.canvas.height === h,
                                        shape.width, shape.height), `${size}: the canvas kept its size`);
    const { width: w, height: h } = shape;
    const logo = [Math.round(0.1 * w), 0, Math.round(0.75 * w), Math.round(0.4 * h)];
    await waitUntil(async () => countPixels(await page.screen(), logo, bright) > 2000,
                    `${size}: the title never showed its logo`);

    const pickup = [Math.round(0.85 * w), Math.round(0.4 * h), w, Math.round(0.6 * h)];
    await page.press('Enter', async () => countPixels(await page.screen(), pickup, pickupYellow) >= 20,
                     `${size}: Enter did not start a round`, TITLE_RETRY_MS);

    // The pause menu: resume, end and options, three items one above the other, none cut off.
    const strip = Math.round(ITEM_STRIP * w);
    const items = (frame) => rowRuns(frame, 0, strip, bright, BUSY_ROW, ITEM_GAP, MIN_PART_ROWS);
    // A round's first updates may still be the loader's (a size change
    // reloads every picture), which takes no key: Escape is pressed again
    // until the menu shows.
    await page.press('Escape', async () => items(await page.screen()).length === 3,
                     `${size}: Escape did not show the pause menu's three items`, PAUSE_RETRY_MS);
    const paused = await page.screen();
    assert.ok(clear(items(paused), h), `${size}: a pause item is cut off: ${JSON.stringify(items(paused))}`);

    // Its options: the box with its four rows, none cut off.
    const bars = (frame) => rowRuns(frame, Math.round(0.45 * w), Math.round(0.55 * w), optionBar, 1, 1, 4);
    const runs = items(paused);
    const focused = async (item) => countPixels(await page.screen(), [0, runs[item][0], strip, runs[item][1] + 1],
                                                focusYellow) > 100;
    await page.press('ArrowDown', () => focused(2), `${size}: the options item took no focus`, RETRY_MS);
    await page.press('Space', async () => bars(await page.screen()).length === 4,
                     `${size}: the option box did not show its four rows`);
    assert.ok(clear(bars(await page.screen()), h), `${size}: an option row is cut off`);
    await page.press('Escape', async () => bars(await page.screen()).length === 0,
                     `${size}: Escape did not close the option box`);

    // End the round from the pause menu: the game-over overlay. The box
    // takes keys from the pause menu until it has slid away.
    await page.press('ArrowUp', () => focused(0), `${size}: the end item took no focus`, RETRY_MS);
    await page.press('Space', async () => countPixels(await page.screen(), [0, 0, w, h], overTitle) > 200,
                     `${size}: ending the round showed no game-over overlay`);
    await page.close();
  }
});

// Run in the page: whether the page shows full screen now.
const fullscreen = () => document.fullscreenElement !== null;

test('the full-screen row switches at the first press after the browser left full screen by itself', async (t) => {
  const server = await startServer();
  const browser = await launchBrowser();
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  const page = await openPage(browser, `${server.url}/skarnel.html`);
  await page.waitFor(() => Module.tarvikAudioStates().length > 0, 'the game never started');
  await page.press('F11', () => page.evaluate(fullscreen), 'F11 did not ask for full screen', TITLE_RETRY_MS);
  await page.evaluate(() => document.exitFullscreen().then(() => true));
  await page.waitFor(() => document.fullscreenElement === null, 'the browser did not leave full screen');

  // The option box from the title's gear, once the title is back at the
  // window's size; its screen row is the third, under back and sound.
  await waitUntil(async () => titleShown(await page.screen()), 'the title did not come back');
  await tap(page, 'ArrowLeft');
  await page.press('Space', async () => countPixels(await page.screen(), [0, 0, 640, 480], boxOrange) > 50000,
                   'the gear did not open the option box');
  // The box takes no keys while it slides in, so each step waits for the
  // focus to show on the row it was meant for.
  const bars = (frame) => rowRuns(frame, 288, 352, optionBar, 1, 1, 4);
  const focusedRow = (frame) => bars(frame).findIndex(([top, bottom]) =>
    countPixels(frame, [280, top, 360, bottom + 1], focusedBar) > 100);
  await page.press('ArrowDown', async () => focusedRow(await page.screen()) === 0,
                   'the sound row took no focus', RETRY_MS);
  await page.press('ArrowDown', async () => focusedRow(await page.screen()) === 1,
                   'the screen row took no focus', RETRY_MS);
  await page.press('Space', () => page.evaluate(fullscreen), 'the screen row did not ask for full screen');
});
