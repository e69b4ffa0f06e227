// One timeline, one game: the browser's replayer ends with the same state
// file, byte for byte, as the desktop replayer ($BUILD_DIR/skarnel-replay,
// run in a scratch folder under the X server of the test command, or under
// xvfb-run of its own when there is none). A timeline that is bad or not
// there is named on the page with the reason, which offers the game instead
// of the same address. Relies on harness.mjs.
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { promisify } from 'node:util';
import { buildDir, launchBrowser, openPage, repoRoot, startServer } from './harness.mjs';

const TIMELINES = path.join(repoRoot, 'tests/replay/timelines');
const STATE_FILE = '.tarvikstate';
const X_SCREEN = '-screen 0 1280x1024x24';

// The desktop replay's state file, or a failure with its output.
async function desktopState(timeline) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'web_replay_'));
  try {
    const replay = [path.join(buildDir, 'skarnel-replay'), '--fast', path.join(TIMELINES, timeline)];
    const [command, ...args] = process.env.DISPLAY ? replay : ['xvfb-run', '-a', '-s', X_SCREEN, ...replay];
    await promisify(execFile)(command, args, { cwd: folder });
    return fs.readFileSync(path.join(folder, STATE_FILE), 'utf8');
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

async function browserState(browser, server, timeline) {
  const page = await openPage(browser, `${server.url}/skarnel-replay.html?timeline=timelines/${timeline}&fast`);
  await page.waitFor(() => Module.tarvikExitStatus !== null, `the browser's replay of ${timeline} never ended`);
  assert.equal(await page.evaluate(() => Module.tarvikExitStatus), 0, page.lines.join('\n'));
  const state = await page.readFile(`/${STATE_FILE}`);
  await page.close();
  return state;
}

let server, browser;
before(async () => {
  server = await startServer({ mounts: { '/timelines/': TIMELINES } });
  browser = await launchBrowser();
});
after(async () => {
  await browser?.close();
  await server?.close();
});

for (const [timeline, what] of [['round.txt', 'a round played and ended from the pause menu'],
                                ['options.txt', 'two settings changed in the option box'],
                                ['touch.txt', 'a touch-only session']]) {
  test(`${what} (${timeline}) leaves the same state file as on the desktop`, async () => {
    const [web, desktop] = await Promise.all([browserState(browser, server, timeline), desktopState(timeline)]);
    assert.ok(desktop.length > 0, 'the desktop replay wrote an empty state file');
    assert.equal(web, desktop);
  });
}

test('a bad or missing timeline is named on the replay page with its reason, which offers the game', async (t) => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'web_bad_timeline_'));
  fs.writeFileSync(path.join(folder, 'bad.txt'), '10 key-down 32\n20 jump 3\n');
  const scratch = await startServer({ mounts: { '/scratch/': folder } });
  t.after(async () => {
    await scratch.close();
    fs.rmSync(folder, { recursive: true, force: true });
  });
  const cases = [['scratch/bad.txt', /bad\.txt: line 2/],
                 ['scratch/gone.txt', /cannot fetch the timeline scratch\/gone\.txt \(HTTP 404\)/]];
  for (const [timeline, reason] of cases) {
    const page = await openPage(browser, `${scratch.url}/skarnel-replay.html?timeline=${timeline}&fast`);
    await page.waitFor(() => Module.tarvikExitStatus !== null, `the replay of ${timeline} never ended`);
    assert.notEqual(await page.evaluate(() => Module.tarvikExitStatus), 0);
    const { text, href } = await page.evaluate(() => {
      const status = document.getElementById('status');
      return { text: status.innerText, href: status.querySelector('a').href };
    });
    assert.match(text, reason);
    assert.equal(href, `${scratch.url}/skarnel.html`);
    await page.close();
  }
});
