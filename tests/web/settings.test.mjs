// The record in the browser: the sound setting is changed in the option box
// with keys, leaving the box saves it, and after a reload the game reads it
// back and the box shows it; two tabs of one page that each finish a round
// keep both scores. Relies on harness.mjs; layout figures are for the
// 640x480 screen.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import {
  countPixels, launchBrowser, openPage, repoRoot, startServer, storedInBrowser, TITLE_RETRY_MS, titleShown,
  waitUntil,
} from './harness.mjs';

const STATE_NAME = '.tarvikstate';
const STATE_FILE = `/${STATE_NAME}`;
const SETTING_SOUND = 5;           // state file item: 2 is sound effects without music
const SOUND_EFFECTS_ONLY = '2';

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
  await waitUntil(() => storedInBrowser(page, STATE_NAME).then((text) => text !== null),
                  'the browser never stored the saved settings');
  await page.reload();
  await focusSoundRow(page);
  assert.ok(page.lines.includes('Settings Loaded'), page.lines.join('\n'));
  assert.equal(await storedSoundSetting(page), SOUND_EFFECTS_ONLY, 'the reload did not bring the setting back');
  assert.ok(await measure(page, SOUND_ROW, white) < SHORT_SOUND_TEXT_PIXELS, 'the box shows SFX + Music again');
});

// Items of the record: the Normal score group follows the 26 settings items,
// the 9 badge items and the Easy group, pairing each best score with a recent one.
const NORMAL_GROUP = 26 + 9 + 21;
const LISTED = 10;
const normalLists = (record) => {
  const items = record.split('|').map(Number);
  const pairs = [...Array(LISTED).keys()].map((k) => items.slice(NORMAL_GROUP + 2 * k, NORMAL_GROUP + 2 * k + 2));
  return { best: pairs.map(([best]) => best), recent: pairs.map(([, recent]) => recent) };
};
// round.txt flies a Normal round into the pickup and ends it; started a
// second later, the same flight reaches the pickup when it is worth less.
const LATER_UPDATES = 60;
const FIRST_UPDATE_SHIFTED = 200;

test('two tabs of the page that each finish a round keep both scores, stored and after a reload', async (t) => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'web_tabs_'));
  const round = fs.readFileSync(path.join(repoRoot, 'tests/replay/timelines/round.txt'), 'utf8');
  const shift = (n) => String(Number(n) >= FIRST_UPDATE_SHIFTED ? Number(n) + LATER_UPDATES : Number(n));
  const later = round.replace(/^\d+/gm, shift);
  fs.writeFileSync(path.join(folder, 'round.txt'), round);
  fs.writeFileSync(path.join(folder, 'later.txt'), later);
  fs.writeFileSync(path.join(folder, 'title.txt'), '60 key-down 115\n61 key-up 115\n');   // F4 at the title
  const server = await startServer({ mounts: { '/timelines/': folder } });
  const browser = await launchBrowser();
  t.after(async () => {
    await browser.close();
    await server.close();
    fs.rmSync(folder, { recursive: true, force: true });
  });
  const replay = (timeline) => `${server.url}/skarnel-replay.html?timeline=timelines/${timeline}&fast`;
  const ended = (page) => page.waitFor(() => Module.tarvikExitStatus !== null, 'the replay never ended');

  // Both tabs read the stored record (none yet) before either plays: each
  // waits only for its timeline, which the server holds back.
  const release = { round: server.hold('/timelines/round.txt'), later: server.hold('/timelines/later.txt') };
  const first = await openPage(browser, replay('round.txt'));
  const second = await openPage(browser, replay('later.txt'), { context: first.context });
  for (const page of [first, second]) {
    await page.waitFor(() => runDependencies === 1, 'the tab never got as far as waiting for its timeline');
  }

  // A tab in the background gets no frames: each plays in front.
  await first.page.bringToFront();
  release.round();
  await ended(first);
  assert.equal(await first.evaluate(() => Module.tarvikExitStatus), 0, first.lines.join('\n'));
  const firstScore = normalLists(await first.readFile(STATE_FILE)).recent[0];
  assert.ok(firstScore > 0, 'the first tab scored nothing');
  assert.equal(await storedInBrowser(first, STATE_NAME), await first.readFile(STATE_FILE),
               "the first tab's record was not stored when its game ended");

  await second.page.bringToFront();
  release.later();
  await ended(second);
  assert.equal(await second.evaluate(() => Module.tarvikExitStatus), 0, second.lines.join('\n'));
  const stored = await storedInBrowser(second, STATE_NAME);
  const { best, recent } = normalLists(stored);
  const secondScore = recent[0];
  assert.ok(secondScore > 0 && secondScore !== firstScore, `the second tab's round scored ${secondScore}`);
  assert.deepEqual(recent.slice(0, 3), [secondScore, firstScore, 0], `recent Normal scores: ${recent}`);
  assert.deepEqual(best.slice(0, 3), [Math.max(firstScore, secondScore), Math.min(firstScore, secondScore), 0],
                   `best Normal scores: ${best}`);
  assert.equal(await second.readFile(STATE_FILE), stored, 'the second tab does not hold the record it stored');

  // A tab opened afterwards loads the record with both rounds for its title.
  const third = await openPage(browser, replay('title.txt'), { context: first.context });
  await ended(third);
  assert.equal(await third.readFile(STATE_FILE), stored);
  assert.ok(third.lines.includes('Highscores Loaded'), third.lines.join('\n'));
});
