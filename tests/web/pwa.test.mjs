// The game page as an installable app: its manifest names the game, runs it
// full screen in landscape and points at icons that decode at their sizes; a
// phone held upright is asked to turn (and the game waits) while a desktop
// page is not;
// after one visit the title shows with the network off; and a second build
// served in the first's place takes over, its worker deleting the first
// build's cache, so the page runs on the new build's files only. Each build is
// a copy of the browser build in a scratch folder of its own. Relies on
// harness.mjs, cmake/WebOffline.cmake and a browser build in WEB_DIR.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import {
  decodePng, launchBrowser, openPage, repoRoot, startServer, titleShown, waitUntil, webDir,
} from './harness.mjs';

const APP = 'skarnel';
const BUILD_LINE = /const kBuild = '([0-9a-f]+)';/;
const SECOND_BUILD_MARK = '<!-- the second build -->';
const PHONE_UPRIGHT = { width: 390, height: 844, deviceScaleFactor: 1, isMobile: true, hasTouch: true };
const PHONE_SIDEWAYS = { ...PHONE_UPRIGHT, width: 844, height: 390, isLandscape: true };

// A copy of the browser build's game page and data, in its own scratch folder.
function copyBuild(t) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'web_pwa_'));
  t.after(() => fs.rmSync(folder, { recursive: true, force: true }));
  for (const name of fs.readdirSync(webDir)) {
    if (name.startsWith(`${APP}.`) || name.startsWith(`${APP}-sw`) || name === 'data' || name === 'icons') {
      fs.cpSync(path.join(webDir, name), path.join(folder, name), { recursive: true });
    }
  }
  return folder;
}

const buildOf = (folder) => BUILD_LINE.exec(fs.readFileSync(path.join(folder, `${APP}-sw.js`), 'utf8'))[1];

// Turns the copy into another build: a changed page, and the worker the build writes for it.
function makeSecondBuild(folder) {
  const page = path.join(folder, `${APP}.html`);
  fs.writeFileSync(page, fs.readFileSync(page, 'utf8').replace('</body>', `${SECOND_BUILD_MARK}\n</body>`));
  execFileSync('cmake', [`-DWEB_DIR=${folder}`, `-DAPP=${APP}`, `-DTEMPLATE=${path.join(repoRoot, 'web/skarnel-sw.js.in')}`,
    '-P', path.join(repoRoot, 'cmake/WebOffline.cmake')]);
}

const turnNotice = (page) => page.evaluate(() => getComputedStyle(document.getElementById('turn-device')).display);
const cacheNames = (page) => page.evaluate(() => caches.keys());

async function waitForTitle(page) {
  await waitUntil(async () => titleShown(await page.screen()), 'the title never showed its logo');
}

async function waitUntilKept(page) {
  await page.waitFor(() => Module.tarvikKeptForOffline === true, 'the page was never kept for playing offline');
}

describe('the installable game page', () => {
  let browser;
  before(async () => {
    browser = await launchBrowser();
  });
  after(async () => {
    await browser?.close();
  });

  test('names the game, full screen and landscape, with icons that decode at their sizes', async (t) => {
    const server = await startServer();
    t.after(() => server.close());
    const page = await openPage(browser, `${server.url}/${APP}.html`);
    const session = await page.page.createCDPSession();
    const { url, errors, data } = await session.send('Page.getAppManifest');
    assert.equal(url, `${server.url}/${APP}.webmanifest`);
    assert.deepEqual(errors, []);
    const manifest = JSON.parse(data);
    assert.equal(manifest.name, 'Skarnel');
    assert.ok(manifest.short_name && manifest.short_name.length <= 12, 'a home screen shows a short name');
    assert.equal(manifest.display, 'fullscreen');
    assert.equal(manifest.orientation, 'landscape');
    for (const colour of ['theme_color', 'background_color']) assert.match(manifest[colour], /^#[0-9a-f]{6}$/);
    assert.equal(new URL(manifest.start_url, url).href, `${server.url}/${APP}.html`);
    const sizes = [];
    for (const icon of manifest.icons) {
      const response = await fetch(new URL(icon.src, url));
      assert.equal(response.status, 200, icon.src);
      const image = decodePng(new Uint8Array(await response.arrayBuffer()));
      assert.equal(`${image.width}x${image.height}`, icon.sizes, icon.src);
      sizes.push(icon.sizes);
    }
    assert.deepEqual(sizes.sort(), ['192x192', '512x512']);
    await waitForTitle(page);
    await waitUntilKept(page);
    // The test's browser contexts are incognito, where nothing installs; that is all that may stop it.
    const { installabilityErrors } = await session.send('Page.getInstallabilityErrors');
    assert.deepEqual(installabilityErrors.filter((e) => e.errorId !== 'in-incognito'), []);

    // A desktop page never asks to be turned; a phone held upright is asked,
    // and the game waits without the keyboard until it is turned back.
    assert.equal(await turnNotice(page), 'none');
    await page.page.setViewport(PHONE_UPRIGHT);
    await page.waitFor(() => Module.tarvikStartedAt !== undefined, 'the game did not start again on the phone');
    await page.waitFor(() => getComputedStyle(document.getElementById('turn-device')).display !== 'none' &&
                             document.activeElement !== document.getElementById('canvas'),
                       'a phone held upright was not asked to turn, or the game kept the keyboard');
    await page.page.setViewport(PHONE_SIDEWAYS);
    await page.waitFor(() => getComputedStyle(document.getElementById('turn-device')).display === 'none' &&
                             document.activeElement === document.getElementById('canvas'),
                       'turned sideways, the notice stayed or the game did not get the keyboard back');
    await page.close();
  });

  test('after one visit the title shows with the network off', async (t) => {
    const server = await startServer({ mounts: { '/': copyBuild(t) } });
    t.after(() => server.close());
    const page = await openPage(browser, `${server.url}/${APP}.html`);
    await waitForTitle(page);
    await waitUntilKept(page);
    await page.page.setOfflineMode(true);
    const served = server.requests.length;
    await page.reload();
    await waitForTitle(page);
    assert.equal(await page.evaluate(() => Module.tarvikExitStatus), null, page.lines.join('\n'));
    assert.equal(server.requests.length, served, 'the server was asked for files while offline');
    await page.close();
  });

  test("a second build's page takes over and deletes the first build's cache", async (t) => {
    const folder = copyBuild(t);
    const server = await startServer({ mounts: { '/': folder } });
    t.after(() => server.close());
    const first = buildOf(folder);
    const page = await openPage(browser, `${server.url}/${APP}.html`);
    await waitForTitle(page);
    await waitUntilKept(page);
    assert.deepEqual(await cacheNames(page), [`${APP}-${first}`]);

    makeSecondBuild(folder);
    const second = buildOf(folder);
    assert.notEqual(second, first);
    await page.reload();
    await page.waitFor(() => document.body.innerHTML.includes('<!-- the second build -->'),
                       "the second build's page never ran");
    await waitUntil(async () => JSON.stringify(await cacheNames(page)) === JSON.stringify([`${APP}-${second}`]),
                    "the first build's cache was not replaced by the second's");
    await waitForTitle(page);
    const keptPage = await page.evaluate(async (name) => (await (await caches.open(name)).match('skarnel.html')).text(),
                                         `${APP}-${second}`);
    assert.ok(keptPage.includes(SECOND_BUILD_MARK), "the cache holds the first build's page");
    await page.close();
  });
});
