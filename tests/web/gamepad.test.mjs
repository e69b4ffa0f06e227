// A game pad in the page: the browser's gamepad list is replaced by one
// standard-layout pad (no real pad can be plugged in here), and pressing its
// A button on the title starts a round, as a known pad does on the desktop.
// Relies on harness.mjs.
import { test } from 'node:test';
import { launchBrowser, openPage, roundShown, startServer, titleShown, waitUntil } from './harness.mjs';

const STANDARD_BUTTONS = 17;
const STANDARD_AXES = 4;
const BUTTON_A = 0;
const POLL_MS = 250;

// Run in the page before its scripts: one connected pad, all at rest, that
// the test drives through window.testPad.
function installPad(buttons, axes) {
  const pad = {
    id: 'Test pad (STANDARD GAMEPAD)', index: 0, connected: true, mapping: 'standard', timestamp: 1,
    axes: new Array(axes).fill(0),
    buttons: Array.from({ length: buttons }, () => ({ pressed: false, touched: false, value: 0 })),
  };
  window.testPad = pad;
  navigator.getGamepads = () => [pad];
}

function setButton(index, down) {
  const button = window.testPad.buttons[index];
  button.pressed = button.touched = down;
  button.value = down ? 1 : 0;
  window.testPad.timestamp += 1;
  return true;
}

test('the A button of a standard pad starts a round from the title', async (t) => {
  const server = await startServer();
  const browser = await launchBrowser();
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  const page = await openPage(browser, 'about:blank');
  await page.page.evaluateOnNewDocument(installPad, STANDARD_BUTTONS, STANDARD_AXES);
  await page.page.goto(`${server.url}/skarnel.html`);
  await waitUntil(async () => titleShown(await page.screen()), 'the title never showed its logo');
  // Held down, then let go, until the round shows: the title may still be
  // settling the first time.
  await waitUntil(async () => {
    await page.evaluate(setButton, BUTTON_A, true);
    await new Promise((resolve) => setTimeout(resolve, POLL_MS));
    await page.evaluate(setButton, BUTTON_A, false);
    return roundShown(await page.screen());
  }, 'the pad\'s A button did not start a round');
});
