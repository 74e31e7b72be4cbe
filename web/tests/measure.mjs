// Measures the built page in Chromium: the size gzipped, the time from pressing play to the
// first sound, the render speed of every corpus song (times real time), and whether each plays
// through the audio thread.
//   node web/tests/measure.mjs        (after scripts/web.sh; WEB_ROOT as for the tests)
import { readdir, readFile } from 'node:fs/promises';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { corpus, launch, openPage, root, serve } from './harness.mjs';

const RATE = 44100;
const LIMIT_SECONDS = 900;
const PLAY_TRIES = 5;

async function pageSize() {
  let plain = 0;
  let gzipped = 0;
  for (const name of await readdir(root)) {
    const bytes = await readFile(join(root, name));
    plain += bytes.length;
    gzipped += gzipSync(bytes, { level: 9 }).length;
    console.log(`  ${name.padEnd(20)} ${String(bytes.length).padStart(8)} ${String(gzipSync(bytes, { level: 9 }).length).padStart(8)}`);
  }
  console.log(`size: ${plain} bytes, ${gzipped} gzipped (file by file, gzip -9)`);
}

async function firstSound(browser, url) {
  const times = [];
  for (let i = 0; i < PLAY_TRIES; ++i) {
    const { page } = await openPage(browser, url);
    await page.click('#demo');
    await page.waitForFunction(() => window.kavoxmPage.firstSoundMs !== null);
    times.push(await page.evaluate(() => window.kavoxmPage.firstSoundMs));
    await page.close();
  }
  times.sort((a, b) => a - b);
  console.log(`first sound after pressing play: ${times.map((t) => t.toFixed(1)).join(', ')} ms`);
}

async function renderSpeeds(browser, url) {
  const { page } = await openPage(browser, url);
  const songs = join(corpus, 'songs');
  for (const name of (await readdir(songs)).sort()) {
    const data = (await readFile(join(songs, name))).toString('base64');
    const r = await page.evaluate((d, rate, limit) => {
      const bytes = Uint8Array.from(atob(d), (c) => c.charCodeAt(0));
      return window.kavoxmPage.renderSpeed(bytes, rate, limit);
    }, data, RATE, LIMIT_SECONDS);
    if (r.error) console.log(`${name}: ${r.error}`);
    else console.log(`${name.padEnd(28)} ${r.seconds.toFixed(1).padStart(7)} s in ${r.ms.toFixed(0).padStart(6)} ms: ${(r.seconds * 1000 / r.ms).toFixed(1)}x real time`);
  }
  await page.close();
}

// Plays every corpus song through the worklet for half a second of song time.
async function playEach(browser, url) {
  const { page, errors } = await openPage(browser, url);
  const songs = join(corpus, 'songs');
  for (const name of (await readdir(songs)).sort()) {
    const data = (await readFile(join(songs, name))).toString('base64');
    await page.evaluate((n, d) => {
      const bytes = Uint8Array.from(atob(d), (c) => c.charCodeAt(0));
      window.kavoxmPage.openBytes(n, bytes, true);
    }, name, data);
    const played = await page
      .waitForFunction(() => window.kavoxmPage.state?.seconds > 0.5, { timeout: 10000 })
      .then(() => 'plays', () => 'DOES NOT PLAY');
    const error = await page.$eval('#error', (e) => e.textContent);
    console.log(`${name.padEnd(28)} ${played}${error ? `: ${error}` : ''}`);
  }
  if (errors.length) console.log(`page errors: ${errors.join('; ')}`);
  await page.close();
}

const server = await serve();
const chromium = await launch();
try {
  await pageSize();
  await firstSound(chromium.browser, server.url);
  await renderSpeeds(chromium.browser, server.url);
  await playEach(chromium.browser, server.url);
} finally {
  await chromium.close();
  await server.close();
}
