// The game page on a landscape phone (844 x 390 CSS pixels at device pixel
// ratio 3, touch): the bytes it fetches before its title shows; the time from navigation to the title on a
// slow mobile network (1.6 Mbit/s down, 150 ms round trip) with the CPU
// slowed 4x; and the updates per second a round reaches at full speed and at
// CPU 4x, over 60. The server sends the build's gzip copies of the page's
// files, as a server with gzip_static does.
// Relies on tests/web/harness.mjs and WEB_DIR.
import {
  countPixels, decodePng, launchBrowser, openPage, startServer, waitUntil,
} from '../../tests/web/harness.mjs';

const PHONE = { width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true, isLandscape: true };
const SLOW_NETWORK = { offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 750e3 / 8 };
const CPU_SLOWDOWN = 4;
const UPDATE_RATE = 60;
// Far more than the title takes on a slow network with a slow CPU.
const TITLE_DEADLINE_MS = 5 * 60_000;
const ROUND_MS = 6000;   // a round's updates counted at each speed

// The title draws its logo across the top of the screen over the play
// field's dark blue: in a screenshot taken at one pixel a CSS pixel, the share
// of bright pixels in the top band and of field-blue pixels overall. The
// loading screen has its studio logo just as bright, but over black.
const TOP_BAND = 0.2;
const TITLE_BRIGHT_SHARE = 0.1;   // the title about 0.18, a round about 0.05
const TITLE_FIELD_SHARE = 0.25;   // the title about 0.5, the loading screen none
const bright = (r, g, b) => r + g + b > 240;
const field = (r, g, b) => r < 10 && b >= 12 && b < 40 && b > g;

async function phoneScreen(page) {
  const png = await page.page.screenshot({
    type: 'png', clip: { x: 0, y: 0, width: PHONE.width, height: PHONE.height, scale: 1 / PHONE.deviceScaleFactor } });
  return decodePng(png);
}

async function titleShownOnPhone(page) {
  const frame = await phoneScreen(page);
  const band = Math.round(frame.height * TOP_BAND);
  return countPixels(frame, [0, 0, frame.width, band], bright) > frame.width * band * TITLE_BRIGHT_SHARE &&
         countPixels(frame, [0, 0, frame.width, frame.height], field) > frame.width * frame.height * TITLE_FIELD_SHARE;
}

// Once per update the game asks the page how many pads it has for each of
// its 16 pad slots (and nowhere else): a page that counts those questions
// counts updates.
const PAD_SLOTS = 16;
function countPadReads() {
  window.tarvikPadReads = 0;
  const none = { get length() { window.tarvikPadReads += 1; return 0; } };
  Object.defineProperty(navigator, 'getGamepads', { value: () => none });
}

// Updates per second over `ms` of the page's time.
async function updatesPerSecond(page, ms) {
  const [reads, elapsedMs] = await page.evaluate((span) => new Promise((resolve) => {
    const from = window.tarvikPadReads, start = performance.now();
    setTimeout(() => resolve([window.tarvikPadReads - from, performance.now() - start]), span);
  }), ms);
  return reads / PAD_SLOTS * 1000 / elapsedMs;
}

async function phonePage(browser, server, { slow = false, viewport = PHONE } = {}) {
  let startedAt = 0;
  const page = await openPage(browser, `${server.url}/skarnel.html`, {
    viewport,
    async beforeOpen(puppeteerPage, session) {
      await puppeteerPage.evaluateOnNewDocument(countPadReads);
      if (slow) {
        await session.send('Network.enable');
        await session.send('Network.emulateNetworkConditions', SLOW_NETWORK);
        await session.send('Emulation.setCPUThrottlingRate', { rate: CPU_SLOWDOWN });
      }
      startedAt = performance.now();
    },
  });
  // Screenshots are polled: the time is late by at most one of them.
  await waitUntil(() => titleShownOnPhone(page), 'the title never showed on the phone', TITLE_DEADLINE_MS);
  return { page, titleAfterMs: performance.now() - startedAt };
}

async function bytesBeforeTitle(browser) {
  const server = await startServer();
  try {
    const { page } = await phonePage(browser, server);
    // What the page asked for before the title, once all of it has been sent.
    const asked = server.requests.slice();
    await waitUntil(() => asked.every((request) => request.answered), 'the server never answered the page');
    const bytes = asked.reduce((sum, request) => sum + request.bytes, 0);
    await page.close();
    return bytes;
  } finally {
    await server.close();
  }
}

async function slowTitleMs(browser) {
  const server = await startServer();
  try {
    const { page, titleAfterMs } = await phonePage(browser, server, { slow: true });
    await page.close();
    return titleAfterMs;
  } finally {
    await server.close();
  }
}

// A round's updates per second over 60, at full speed (where the drawing
// alone may hold the page back: headless chromium draws WebGL in software)
// and then at CPU 4x.
async function updatesRatios(browser) {
  const server = await startServer();
  try {
    // The phone's screen without mobile emulation, in which chromium hands
    // the page no key presses: Enter starts the round.
    const { page } = await phonePage(browser, server, { viewport: { ...PHONE, isMobile: false } });
    await page.press('Enter', async () => !(await titleShownOnPhone(page)), 'Enter did not start a round', 3000);
    const fullSpeed = await updatesPerSecond(page, ROUND_MS) / UPDATE_RATE;
    const session = await page.page.createCDPSession();
    await session.send('Emulation.setCPUThrottlingRate', { rate: CPU_SLOWDOWN });
    const slowed = await updatesPerSecond(page, ROUND_MS) / UPDATE_RATE;
    await page.close();
    return { fullSpeed, slowed };
  } finally {
    await server.close();
  }
}

const browser = await launchBrowser();
try {
  console.log(`BYTES web.phone_before_title ${await bytesBeforeTitle(browser)}`);
  console.log(`MS web.phone_title_slow4g ${Math.round(await slowTitleMs(browser))}`);
  const { fullSpeed, slowed } = await updatesRatios(browser);
  console.log(`RATIO web.updates_cpu1x ${fullSpeed.toFixed(3)}`);
  console.log(`RATIO web.updates_cpu4x ${slowed.toFixed(3)}`);
} finally {
  await browser.close();
}
