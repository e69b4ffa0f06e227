// A player with only a touch screen, in chromium's emulation of a landscape
// phone: a tap starts a Normal round (whose pictures the server holds back
// until the round is seen waiting for them), the on-screen pad thrusts the ship away
// from its start, steers and fires, the pause button pauses, the pad is
// dragged while paused, the round is given up from the pause menu and the
// game-over overlay shows, the title comes back, a setting is changed by
// taps, and the pad's new place is there again after a reload. Touches go
// through the DevTools protocol as a touch screen's do. Relies on harness.mjs;
// the game's state is read from its state file, the screens from their pixels.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import {
  countPixels, DEADLINE_MS, launchBrowser, openPage, startServer, storedInBrowser, waitUntil,
} from './harness.mjs';

// A landscape phone: 844 x 390 CSS pixels at two device pixels each.
const PHONE = { width: 844, height: 390, deviceScaleFactor: 2, isMobile: true, hasTouch: true, isLandscape: true };

// The game fits its 640 x 480 design to the page: on a screen wider than
// 16:9 the height stays 360 units and the width follows the page.
const SHORT_SIDE = 360;
const UNIT = PHONE.height / SHORT_SIDE;                  // CSS pixels per game unit
const W = PHONE.width / UNIT;
const H = SHORT_SIDE;

// Places on the screens, in game units.
const GEAR = [38, H - 64];                // the options gear at the wheel's hub
const NORMAL = [GEAR[0] + 133, GEAR[1] - 120];  // Normal on the difficulty wheel, at rest after the title's intro
const PAUSE_BUTTON = [16, 16];
const RESUME = [64, 196];                 // the pause menu's resume button
const END_ROUND = [W / 2 - 96, H / 2 - 24];  // and its end-game button, left of the middle for a touch player
const SOUND_ROW = [300, 130];             // the option box's first row
const BACK = [100, 60];                   // the option box's back button
const PAD_AT_START = [64, H - 64];        // the pad's first place (64 units in, 64 up)
const PAD_SIZE = 32;                      // one arrow, at the pad's first size
const RIGHT_ARROW = [PAD_AT_START[0] + 32, PAD_AT_START[1]];
const FIRE = [W - 40, H - 88];
const THRUST = [W - 88, H - 40];
const HANDLE_GRIP = [PAD_AT_START[0], PAD_AT_START[1] + 20];  // on the paused pad's centre, clear of resume
const PAD_DROPPED = [200, 250];       // clear of the pause menu's buttons and its PAUSED

// State file items.
const STATE_NAME = '.tarvikstate';
const STATE_FILE = `/${STATE_NAME}`;
const SETTING_SOUND = 5;
const SETTING_PAD_X = 10;
const SETTING_PAD_Y = 11;
const PAD_FIRST_PLACE = 64;
const SOUND_EFFECTS_ONLY = 2;

// What the screens show, in game units, with the pixels they need.
const SCALE = UNIT * PHONE.deviceScaleFactor;          // screenshot pixels per game unit
const AREA = SCALE * SCALE;
const LOGO_X = (W - 140) * 0.55;            // the title's centre: 55% of what the side panel leaves
const LOGO = [LOGO_X - 195, 20, LOGO_X - 25, 100];
const TITLE_LOGO_PIXELS = 3000 * AREA;
const PICKUP = [W - 60, H / 2 - 24, W - 4, H / 2 + 24];
const ROUND_PICKUP_PIXELS = 20 * AREA;
const SHIP_START = [0, H / 2 - 20, 90, H / 2 + 20];
const SHIP_PIXELS = 30 * AREA;
// The top of "PAUSED": the pad's mirrored buttons may cover its foot.
const PAUSED_TEXT = [W / 2 + 10, H / 2 - 18, W / 2 + 180, H / 2 - 4];
const PAUSED_TEXT_PIXELS = 450 * AREA;
const OVERLAY_TEXT_PIXELS = 1500 * AREA;
const BOX_OPEN_PIXELS = 80_000 * AREA;
const PAD_PIXELS = 600 * AREA;
// The mark of an update waiting for data: blue dots round a ring at the bottom right.
const AWAIT_MARK = [W - 40, H - 40, W - 8, H - 8];
const AWAIT_MARK_PIXELS = 8 * AREA;
const markBlue = (r, g, b) => b > 120 && r < 60 && g < b;
// Frames watched for an update while the game waits: it runs several an update.
const WAIT_FRAMES = 30;

// Run in the page before it loads: the game reads the pads once per update
// (for each of its 16 pad slots, and nowhere else), so counting the reads
// counts the updates. A touch player has no pads.
function countUpdates() {
  window.padReads = 0;
  const none = { get length() { window.padReads += 1; return 0; } };
  Object.defineProperty(navigator, 'getGamepads', { value: () => none });
}
const bright = (r, g, b) => r + g + b > 240;
const yellow = (r, g, b) => r > 180 && g > 160 && b < 110;
const white = (r, g, b) => r > 200 && g > 200 && b > 200;
const ship = (r, g, b) => g > 180 && b > 120 && r < 170;
const pink = (r, g, b) => r > 200 && g > 140 && g < 215 && b > 140 && b < 215;
const orange = (r, g, b) => Math.abs(r - 127) < 16 && Math.abs(g - 64) < 16 && b < 30;

// A tap that meets no screen ready for it is given again after this long.
const TAP_RETRY_MS = 3000;
// A finger rests this many of the page's frames on the glass: a touch is one
// press however long it stays.
const HOLD_FRAMES = 4;
// The option box takes no input while it slides in (30 updates).
const BOX_SLIDE_FRAMES = 60;

const pixelRect = ([x0, y0, x1, y1]) => [x0, y0, x1, y1].map((v) => Math.round(v * SCALE));
const around = ([x, y], half) => [x - half, y - half, x + half, y + half];

async function count(page, rect, test) {
  return countPixels(await page.screen(), pixelRect(rect), test);
}

// The fingers on the glass, by id, in CSS pixels; each change is sent with
// every finger still down, as a touch screen reports it.
class TouchScreen {
  constructor(page) {
    this.page = page;
    this.fingers = new Map();
  }
  send(type) {
    const touchPoints = [...this.fingers].map(([id, [x, y]]) => ({ x: x * UNIT, y: y * UNIT, id }));
    return this.page.session.send('Input.dispatchTouchEvent', { type, touchPoints });
  }
  down(id, point) {
    this.fingers.set(id, point);
    return this.send('touchStart');
  }
  move(id, point) {
    this.fingers.set(id, point);
    return this.send('touchMove');
  }
  up(id) {
    this.fingers.delete(id);
    return this.send('touchEnd');
  }
  async tap(point) {
    await this.down(0, point);
    await this.page.frames(HOLD_FRAMES);
    await this.up(0);
  }
  // Taps until the async `check` holds, again after TAP_RETRY_MS while it does not.
  async tapUntil(point, check, what) {
    const end = Date.now() + DEADLINE_MS;
    for (;;) {
      await this.tap(point);
      try {
        await waitUntil(check, what, Math.min(TAP_RETRY_MS, end - Date.now()));
        return;
      } catch (error) {
        if (Date.now() >= end) throw error;
      }
    }
  }
}

async function stateItems(page) {
  const text = await page.readFile(STATE_FILE);
  return text ? text.split('|').map(Number) : [];
}

test('a touch-only player plays a round, pauses, moves the pad, ends the round, changes a setting, ' +
     'and the pad stays put', async (t) => {
  const server = await startServer();
  const browser = await launchBrowser();
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  // The round's sprites (ship, rocks, pickup) are late: the title does not need them.
  const releaseRoundPictures = server.hold('/data/gfx');
  const page = await openPage(browser, `${server.url}/skarnel.html`, {
    viewport: PHONE,
    beforeOpen: (puppeteerPage) => puppeteerPage.evaluateOnNewDocument(countUpdates),
  });
  const touch = new TouchScreen(page);
  const roundShown = async () => (await count(page, PICKUP, yellow)) >= ROUND_PICKUP_PIXELS;
  const titleShown = async () => (await count(page, LOGO, bright)) > TITLE_LOGO_PIXELS;
  const pausedShown = async () => (await count(page, PAUSED_TEXT, white)) > PAUSED_TEXT_PIXELS;

  assert.equal(await page.evaluate(() => navigator.maxTouchPoints > 0), true, 'the page has no touch screen');
  // A touch on the canvas is the game's alone: the browser makes no mouse
  // events of it (they would press a second time).
  await page.evaluate(() => {
    window.mouseEventsSeen = 0;
    for (const type of ['mousedown', 'mouseup', 'click']) {
      window.addEventListener(type, () => ++window.mouseEventsSeen, true);
    }
  });
  await waitUntil(titleShown, 'the title never showed its logo');
  // The round waits for its pictures, and shows that it does; once they are
  // in, it starts from its beginning with every sprite.
  const waiting = async () => (await count(page, AWAIT_MARK, markBlue)) > AWAIT_MARK_PIXELS;
  await touch.tapUntil(NORMAL, waiting, 'a round started before its pictures arrived did not wait for them');
  const updatesSoFar = await page.evaluate(() => window.padReads);
  await page.frames(WAIT_FRAMES);
  assert.equal(await page.evaluate(() => window.padReads), updatesSoFar, 'the game ran updates while it waited');
  releaseRoundPictures();
  await waitUntil(roundShown, 'the round did not start once its pictures arrived');
  assert.ok(!(await waiting()), 'the round still shows it waits');
  assert.ok((await page.evaluate(() => window.padReads)) > updatesSoFar, 'no update was counted after the wait');
  assert.ok((await count(page, around(RIGHT_ARROW, PAD_SIZE / 2), bright)) > PAD_PIXELS / 4,
            'the on-screen pad is not drawn in touch play');

  // The ship starts at the left facing right: thrust flies it away from there.
  // Then it turns and fires, two fingers down at once.
  const shipAtStart = async () => (await count(page, SHIP_START, ship)) > SHIP_PIXELS;
  assert.ok(await shipAtStart(), 'the ship is not at its start');
  await touch.down(1, THRUST);
  await waitUntil(async () => !(await shipAtStart()), 'the pad\'s thrust button did not move the ship');
  await touch.up(1);
  await touch.down(0, RIGHT_ARROW);
  await touch.down(1, FIRE);
  await page.frames(HOLD_FRAMES * 4);
  await touch.up(1);
  await touch.up(0);

  await touch.tapUntil(PAUSE_BUTTON, pausedShown, 'the pause button did not pause');
  await touch.down(0, HANDLE_GRIP);
  await page.frames(HOLD_FRAMES);
  await touch.move(0, [(HANDLE_GRIP[0] + PAD_DROPPED[0]) / 2, (HANDLE_GRIP[1] + PAD_DROPPED[1]) / 2]);
  await page.frames(HOLD_FRAMES);
  await touch.move(0, PAD_DROPPED);
  await page.frames(HOLD_FRAMES);
  await touch.up(0);
  await waitUntil(async () => (await count(page, around(PAD_DROPPED, 48), bright)) > PAD_PIXELS,
                  'the pad did not follow the finger while paused');
  assert.ok(await pausedShown(), 'dragging the pad resumed the round');
  await touch.tapUntil(RESUME, async () => !(await pausedShown()), 'resume did not resume');

  // Paused again, the round is given up: the game-over overlay, then the title.
  await touch.tapUntil(PAUSE_BUTTON, pausedShown, 'the pause button did not pause a second time');
  await touch.tapUntil(END_ROUND, async () => (await count(page, [0, 0, W, H], pink)) > OVERLAY_TEXT_PIXELS,
                       'ending the round showed no game-over overlay');
  await waitUntil(titleShown, 'the title did not come back after the game-over overlay');
  await waitUntil(async () => (await stateItems(page))[SETTING_PAD_X] > 0, 'the round\'s end saved nothing');
  const items = await stateItems(page);
  assert.notEqual(items[SETTING_PAD_X], PAD_FIRST_PLACE, 'the pad was not moved');
  assert.notEqual(items[SETTING_PAD_Y], PAD_FIRST_PLACE, 'the pad was not moved');

  await touch.tapUntil(GEAR, async () => (await count(page, [0, 0, W, H], orange)) > BOX_OPEN_PIXELS,
                       'a tap on the gear did not open the option box');
  await page.frames(BOX_SLIDE_FRAMES);
  await touch.tap(SOUND_ROW);
  await page.frames(HOLD_FRAMES);
  await touch.tapUntil(BACK, async () => (await stateItems(page))[SETTING_SOUND] === SOUND_EFFECTS_ONLY,
                       'a tap on the sound row and one on back did not change and save the sound');
  assert.equal(await page.evaluate(() => window.mouseEventsSeen), 0, 'the browser made mouse events of the touches');
  await waitUntil(() => storedInBrowser(page, STATE_NAME).then((text) => text !== null),
                  'the browser never stored the state file');

  await page.reload();
  await waitUntil(titleShown, 'the title never showed after the reload');
  const again = await stateItems(page);
  assert.equal(again[SETTING_PAD_X], items[SETTING_PAD_X]);
  assert.equal(again[SETTING_PAD_Y], items[SETTING_PAD_Y]);
  await touch.tapUntil(NORMAL, roundShown, 'a tap on Normal did not start a round after the reload');
  const padAt = [again[SETTING_PAD_X], H - again[SETTING_PAD_Y]];
  await waitUntil(async () => (await count(page, around(padAt, 48), bright)) > PAD_PIXELS,
                  'the pad is not at its new place after the reload');
  await page.close();
});
