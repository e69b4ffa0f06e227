// The page as the game's window: the canvas follows the browser window's
// size, and a page that is hidden suspends the game and saves at once, since
// a hidden page gets no more frames in which to do it. Relies on harness.mjs.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { launchBrowser, openPage, startServer, waitUntil } from './harness.mjs';

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
