// Settings survive a reload of the game page: the sound setting is changed
// in the option box with keys, leaving the box saves it, and after a reload
// the game reads it back and the box shows it. Relies on harness.mjs; layout
// figures are for the 640x480 screen.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import {
  countPixels, launchBrowser, openPage, startServer, TITLE_RETRY_MS, titleShown, waitUntil,
} from './harness.mjs';

const STATE_NAME = '.tarvikstate';
const STATE_FILE = `/${STATE_NAME}`;
const SETTING_SOUND = 5;           // state file item: 2 is sound effects without music
const SOUND_EFFECTS_ONLY = '2';
// Where the page keeps its files (web/tarvik_pre.js): a reload only finds
// the settings once the browser has stored them there.
const DATABASE = 'tarvik';
const STORE = 'files';

// The options gear at the bottom left lights up when the cursor is on it.
const GEAR = [0, 280, 100, 400];
const GEAR_FOCUSED_PIXELS = 900;   // about 600 unfocused, 1200 focused
// The option box covers most of the screen in orange; its first row is sound.
const WHOLE_SCREEN = [0, 0, 640, 480];
const BOX_OPEN_PIXELS = 150_000;
const BOX_CLOSED_PIXELS = 1000;
const SOUND_ROW = [0, 120, 640, 142];
const ROW_FOCUSED_PIXELS = 7500;   // teal across nearly the whole row
// The row's white text: about 760 pixels for "Sound : SFX + Music", 480 for "Sound : SFX".
const SHORT_SOUND_TEXT_PIXELS = 620;
// Keys the box ignores while it slides in are pressed again after this.
const BOX_RETRY_MS = 3000;

const bright = (r, g, b) => r + g + b > 240;
const orange = (r, g, b) => Math.abs(r - 127) < 16 && Math.abs(g - 64) < 16 && b < 30;
const teal = (r, g, b) => Math.abs(r - 64) < 16 && Math.abs(g - 122) < 16 && Math.abs(b - 129) < 16;
const white = (r, g, b) => r > 200 && g > 200 && b > 200;

async function measure(page, rect, test) {
  return countPixels(await page.screen(), rect, test);
}

// From the title: the cursor to the gear, the box opened, the sound row focused.
async function focusSoundRow(page) {
  await waitUntil(async () => titleShown(await page.screen()), 'the title never showed');
  await page.press('ArrowLeft', async () => (await measure(page, GEAR, bright)) > GEAR_FOCUSED_PIXELS,
                   'Left did not move the cursor to the options gear', TITLE_RETRY_MS);
  await page.press('Space', async () => (await measure(page, WHOLE_SCREEN, orange)) > BOX_OPEN_PIXELS,
                   'Space on the gear did not open the option box');
  await page.press('ArrowDown', async () => (await measure(page, SOUND_ROW, teal)) > ROW_FOCUSED_PIXELS,
                   'Down did not focus the sound row', BOX_RETRY_MS);
}

async function storedSoundSetting(page) {
  const text = await page.readFile(STATE_FILE);
  return text ? text.split('|')[SETTING_SOUND] : null;
}

// Run in the page: whether the browser holds a stored copy of a file of
// this page named `name`.
function storedInBrowser(database, store, name) {
  return new Promise((resolve) => {
    const request = indexedDB.open(database);
    request.onerror = () => resolve(false);
    request.onsuccess = () => {
      const keys = request.result.transaction(store).objectStore(store).getAllKeys();
      const mine = (key) => key.startsWith(`${location.pathname}|`) && key.endsWith(name);
      keys.onsuccess = () => resolve(keys.result.some(mine));
      keys.onerror = () => resolve(false);
    };
  });
}

test('a setting changed in the option box is there again after the page is reloaded', async (t) => {
  const server = await startServer();
  const browser = await launchBrowser();
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  const page = await openPage(browser, `${server.url}/skarnel.html`);

  await focusSoundRow(page);
  assert.ok(await measure(page, SOUND_ROW, white) > SHORT_SOUND_TEXT_PIXELS,
            'the sound row did not start at SFX + Music');
  await page.press('Space', async () => (await measure(page, SOUND_ROW, white)) < SHORT_SOUND_TEXT_PIXELS,
                   'Space did not change the sound setting');
  await page.press('Escape', async () => (await measure(page, WHOLE_SCREEN, orange)) < BOX_CLOSED_PIXELS,
                   'Escape did not close the option box');
  await waitUntil(async () => (await storedSoundSetting(page)) === SOUND_EFFECTS_ONLY,
                  'leaving the box did not save the setting');
  await waitUntil(() => page.evaluate(storedInBrowser, DATABASE, STORE, STATE_NAME),
                  'the browser never stored the saved settings');
  await page.reload();
  await focusSoundRow(page);
  assert.ok(page.lines.includes('Settings Loaded'), page.lines.join('\n'));
  assert.equal(await storedSoundSetting(page), SOUND_EFFECTS_ONLY, 'the reload did not bring the setting back');
  assert.ok(await measure(page, SOUND_ROW, white) < SHORT_SOUND_TEXT_PIXELS, 'the box shows SFX + Music again');
});
