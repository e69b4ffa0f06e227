// The timedemo in the browser against the same replay on the desktop, side
// by side in one run: wall time per frame of `skarnel-replay --fast` on
// bench/timedemo/busy.txt in each (the page timed from inside, without its
// load and compile), and the bytes the game page downloads before its title
// shows. Relies on tests/web/harness.mjs, WEB_DIR, BUILD_DIR and an X display.
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { promisify } from 'node:util';
import {
  buildDir, launchBrowser, openPage, repoRoot, startServer, titleShown, waitUntil,
} from '../../tests/web/harness.mjs';

const TIMEDEMO = path.join(repoRoot, 'bench/timedemo');
const TIMELINE = 'busy.txt';
// Runs of each, alternated; the fastest of each counts (the least disturbed
// by the rest of a shared machine).
const RUNS = 3;
// Far more than a replay of the timedemo takes in a browser on a slow machine.
const REPLAY_DEADLINE_MS = 30 * 60_000;
const FRAMES_LINE = /after (\d+) updates and (\d+) frames/;

function framesIn(output, where) {
  const found = FRAMES_LINE.exec(output);
  if (!found) throw new Error(`the ${where} replay did not run to its end:\n${output.slice(-500)}`);
  return Number(found[2]);
}

// Milliseconds per frame of the desktop replay, process start to exit.
async function nativeMsPerFrame() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'web_bench_'));
  try {
    const start = performance.now();
    // The timeline runs out before the game ends: the replay exits with 2.
    const { stdout } = await promisify(execFile)(path.join(buildDir, 'skarnel-replay'),
      ['--fast', path.join(TIMEDEMO, TIMELINE)], { cwd: folder })
      .catch((error) => ({ stdout: `${error.stdout || ''}${error.message}` }));
    return (performance.now() - start) / framesIn(stdout, 'desktop');
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

// Milliseconds per frame of the browser's replay, runtime ready to exit.
async function webMsPerFrame(browser, server) {
  const page = await openPage(browser, `${server.url}/skarnel-replay.html?timeline=timedemo/${TIMELINE}&fast`);
  await page.waitFor(() => Module.tarvikExitStatus !== null, 'the browser replay never ended', REPLAY_DEADLINE_MS);
  await waitUntil(() => page.lines.some((line) => FRAMES_LINE.test(line)),
                  `the browser replay did not run to its end:\n${page.lines.slice(-5).join('\n')}`);
  const [started, ended] = await page.evaluate(() => [Module.tarvikStartedAt, Module.tarvikEndedAt]);
  const frames = framesIn(page.lines.join('\n'), 'browser');
  await page.close();
  return (ended - started) / frames;
}

// Bytes served from the page's request until its title is on screen.
async function bytesBeforeTitle(browser) {
  const server = await startServer();
  try {
    const page = await openPage(browser, `${server.url}/skarnel.html`);
    await waitUntil(async () => titleShown(await page.screen()), 'the title never showed');
    const bytes = server.bytesServed();
    await page.close();
    return bytes;
  } finally {
    await server.close();
  }
}

const server = await startServer({ mounts: { '/timedemo/': TIMEDEMO } });
const browser = await launchBrowser();
try {
  const native = [], web = [];
  for (let run = 0; run < RUNS; ++run) {
    native.push(await nativeMsPerFrame());
    web.push(await webMsPerFrame(browser, server));
  }
  const best = (times) => Math.min(...times);
  console.log(`TIMEDEMO web ms_per_frame ${best(web).toFixed(3)} native ms_per_frame ${best(native).toFixed(3)}`);
  console.log(`RATIO web.timedemo.vs_native ${(best(native) / best(web)).toFixed(3)}`);
  console.log(`BYTES web.page_before_title ${await bytesBeforeTitle(browser)}`);
} finally {
  await browser.close();
  await server.close();
}
