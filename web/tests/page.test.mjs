// The web page in a real browser: its render path against the native tool, loading good and
// bad files, and what it shows while playing.
import assert from 'node:assert/strict';
import { existsSync } from 'node:fs';
import { readdir, readFile, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { after, before, describe, it } from 'node:test';
import { timeText } from '../page/notation.js';
import { corpus, launch, openPage, root, runTool, serve } from './harness.mjs';

const SONGS = join(corpus, 'songs');
const BROKEN = join(corpus, 'broken');
const noCorpus = existsSync(SONGS) ? false : `no corpus at ${corpus}`;
const SECONDS = 10;
const PAGE_LIMIT_BYTES = 400 * 1024;

let server;
let chromium;

before(async () => {
  server = await serve();
  chromium = await launch();
});

after(async () => {
  await chromium?.close();
  await server?.close();
});

// Renders through the page's OfflineAudioContext and the same worklet as playback.
async function pageRender(page, bytes, rate) {
  const base64 = await page.evaluate(async (data, rate, seconds) => {
    const song = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
    const floats = await window.kavoxmPage.renderOffline(song, rate, seconds);
    const bytes = new Uint8Array(floats.buffer);
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    }
    return btoa(text);
  }, bytes.toString('base64'), rate, SECONDS);
  return Buffer.from(base64, 'base64');
}

function firstDifference(a, b) {
  const n = Math.min(a.length, b.length);
  for (let i = 0; i < n; i += 4) {
    if (a.readUInt32LE(i) !== b.readUInt32LE(i)) {
      return `float ${i / 4} (frame ${Math.floor(i / 8)}): ${a.readFloatLE(i)} vs ${b.readFloatLE(i)}`;
    }
  }
  return a.length === b.length ? 'none' : `lengths ${a.length} and ${b.length}`;
}

describe('render path', { skip: noCorpus }, () => {
  for (const [name, rate] of [['milky.xm', 44100], ['amimod_02.xm', 48000]]) {
    it(`${name} at ${rate} Hz: the first ${SECONDS} s equal kavoxm render --bits 32f`, async () => {
      const file = join(SONGS, name);
      const expected = await runTool('render', file, '--bits', '32f', '--rate', String(rate),
        '--seconds', String(SECONDS), '-o', '-');
      const { page, errors } = await openPage(chromium.browser, server.url);
      const actual = await pageRender(page, await readFile(file), rate);
      await page.close();
      assert.equal(actual.length, rate * SECONDS * 8);
      assert.ok(actual.equals(expected), `first difference: ${firstDifference(actual, expected)}`);
      assert.deepEqual(errors, []);
    });
  }
});

// Opens files through the page's own file button.
async function openFiles(page, ...paths) {
  const input = await page.$('#open');
  await input.uploadFile(...paths);
}

const text = (page, selector) => page.$eval(selector, (e) => e.textContent);

describe('loading files', () => {
  it('a file that is not XM says so on the page', async () => {
    const path = join(tmpdir(), 'kavoxm-page-not-xm.xm');
    await writeFile(path, 'Extended Module? No: a text as long as an XM header. '.repeat(20));
    const { page } = await openPage(chromium.browser, server.url);
    await openFiles(page, path);
    await page.waitForSelector('#error:not([hidden])');
    assert.match(await text(page, '#error'), /kavoxm-page-not-xm\.xm: .*not an XM/i);
    await page.close();
  });

  it('a truncated file shows where it ends', { skip: noCorpus }, async () => {
    const song = await readFile(join(SONGS, 'milky.xm'));
    const path = join(tmpdir(), 'kavoxm-page-truncated.xm');
    await writeFile(path, song.subarray(0, 2000));
    const { page } = await openPage(chromium.browser, server.url);
    await openFiles(page, path);
    await page.waitForSelector('#error:not([hidden])');
    assert.match(await text(page, '#error'), /ends (inside|before) pattern \d+ of 17/);
    await page.close();
  });

  // milky.xm comes from MilkyTracker: its names are in code page 437, where 0xE9 is a theta.
  it('names are shown as text in code page 437, control characters removed', { skip: noCorpus },
    async () => {
      const song = Buffer.from(await readFile(join(SONGS, 'milky.xm')));
      const title = Buffer.concat([Buffer.from('<i>A</i>\x07'), Buffer.from([0xe9, 0x74, 0xe9])]);
      song.fill(0, 17, 37);
      title.copy(song, 17);
      const path = join(tmpdir(), 'kavoxm-page-title.xm');
      await writeFile(path, song);
      const { page, errors } = await openPage(chromium.browser, server.url);
      await openFiles(page, path);
      await page.waitForSelector('dd[data-field="title"]');
      assert.equal(await text(page, 'dd[data-field="title"]'), '<i>A</i>\u0398t\u0398');
      assert.equal(await page.$('#info i'), null);
      assert.deepEqual(errors, []);
      await page.close();
    });

  it('a file dropped on the page opens', { skip: noCorpus }, async () => {
    const { page, errors } = await openPage(chromium.browser, server.url);
    const data = (await readFile(join(SONGS, 'sv_ttt.xm'))).toString('base64');
    const prevented = await page.evaluate((d) => {
      const bytes = Uint8Array.from(atob(d), (c) => c.charCodeAt(0));
      const files = new DataTransfer();
      files.items.add(new File([bytes], 'dropped.xm'));
      const drop = new DragEvent('drop', { dataTransfer: files, bubbles: true, cancelable: true });
      return !document.body.dispatchEvent(drop);
    }, data);
    assert.equal(prevented, true, 'the browser would open the file itself');
    await page.waitForSelector('#playlist li.current');
    assert.equal(await text(page, '#playlist li.current'), 'dropped.xm');
    assert.equal(await text(page, 'dd[data-field="channels"]'), '6');
    assert.deepEqual(errors, []);
    await page.close();
  });

  it('a good file shows its title and channel count, and clears the error', { skip: noCorpus },
    async () => {
      const file = join(SONGS, 'amimod_04.xm');
      const info = JSON.parse((await runTool('info', file, '--json')).toString());
      const { page, errors } = await openPage(chromium.browser, server.url);
      await openFiles(page, join(BROKEN, 'load_xm_invalid_pattern_length.xm'));
      await openFiles(page, file);
      await page.waitForSelector('dd[data-field="channels"]');
      assert.equal(await text(page, 'dd[data-field="title"]'), info.name.trim() || 'amimod_04.xm');
      assert.equal(await text(page, 'dd[data-field="channels"]'), String(info.channels));
      // Measured off the page's thread, then shown as the native tool measures it.
      await page.waitForFunction(() => !document.querySelector('dd[data-field="length"]')
        .textContent.startsWith('measuring'));
      assert.equal(await text(page, 'dd[data-field="length"]'), timeText(info.duration_seconds));
      assert.equal(await text(page, '#length'), timeText(info.duration_seconds));
      assert.equal(await page.$eval('#error', (e) => e.hidden), true);
      assert.deepEqual(errors, []);
      await page.close();
    });
});

describe('the page', () => {
  it(`is under ${PAGE_LIMIT_BYTES / 1024} KB gzipped, and asks only its own server`, async () => {
    let gzipped = 0;
    for (const name of await readdir(root)) {
      gzipped += gzipSync(await readFile(join(root, name)), { level: 9 }).length;
    }
    assert.ok(gzipped < PAGE_LIMIT_BYTES, `${gzipped} bytes gzipped`);
    const { page, requests } = await openPage(chromium.browser, server.url);
    await page.click('#demo');
    await page.waitForFunction(() => window.kavoxmPage.firstSoundMs !== null, { timeout: 10000 });
    await page.close();
    const foreign = requests.filter((url) => !url.startsWith(server.url) && !url.startsWith('data:'));
    assert.deepEqual(foreign, []);
    assert.ok(requests.some((url) => url.endsWith('/kavoxm.wasm')), requests.join(' '));
  });

  it('plays several files as a playlist, the arrow keys moving through it', { skip: noCorpus },
    async () => {
      const { page, errors } = await openPage(chromium.browser, server.url);
      await openFiles(page, join(SONGS, 'milky.xm'), join(SONGS, 'sv_ttt.xm'));
      await page.waitForSelector('#playlist li:nth-child(2)');
      assert.equal(await page.$$eval('#playlist li', (items) => items.length), 2);
      const title = () => text(page, 'dd[data-field="title"]');
      assert.equal(await title(), 'milk in veins');
      await page.keyboard.press('ArrowDown');
      assert.equal(await text(page, '#playlist li.current'), 'sv_ttt.xm');
      assert.notEqual(await title(), 'milk in veins');
      await page.keyboard.press('ArrowUp');
      assert.equal(await title(), 'milk in veins');
      assert.deepEqual(errors, []);
      await page.close();
    });
});

describe('the end of a song', { skip: noCorpus }, () => {
  const SHORT = join(corpus, 'cases', 'Pickup.xm'); // 0.43 s

  it('moves on to the next file of the playlist that loads', async () => {
    const { page, errors } = await openPage(chromium.browser, server.url);
    await openFiles(page, SHORT, join(BROKEN, 'load_xm_invalid_pattern_length.xm'),
      join(SONGS, 'milky.xm'));
    await page.waitForFunction(
      () => document.querySelector('#playlist li.current')?.textContent === 'milky.xm',
      { timeout: 5000 });
    assert.equal(await text(page, 'dd[data-field="title"]'), 'milk in veins');
    assert.equal(await text(page, '#play'), 'Pause');
    assert.deepEqual(errors, []);
    await page.close();
  });

  it('plays the song again with Loop on, counting its passes', async () => {
    const { page } = await openPage(chromium.browser, server.url);
    await page.keyboard.press('l');
    assert.equal(await page.$eval('#loop', (box) => box.checked), true);
    await openFiles(page, SHORT, join(SONGS, 'milky.xm'));
    await page.waitForFunction(() => window.kavoxmPage.state?.pass >= 2, { timeout: 5000 });
    assert.equal(await text(page, '#playlist li.current'), 'Pickup.xm');
    await page.close();
  });
});

describe('playing', () => {
  let page;
  let errors;

  before(async () => {
    ({ page, errors } = await openPage(chromium.browser, server.url));
    await page.click('#demo');
    await page.waitForFunction(() => window.kavoxmPage.firstSoundMs !== null, { timeout: 10000 });
  });

  after(async () => page?.close());

  it('tells how soon the first sound came', async () => {
    const ms = await page.evaluate(() => window.kavoxmPage.firstSoundMs);
    const rate = await page.evaluate(() => window.kavoxmPage.rate);
    console.log(`first sound ${ms.toFixed(1)} ms after pressing play, at ${rate} Hz`);
    assert.ok(ms > 0 && ms < 2000, `first sound after ${ms} ms`);
  });

  it('advances the pattern view row by row', async () => {
    const rows = new Set();
    for (let i = 0; i < 20 && rows.size < 3; ++i) {
      rows.add(await page.$eval('#pattern', (c) => c.dataset.row));
      await new Promise((done) => setTimeout(done, 100));
    }
    assert.ok(rows.size >= 3, `rows seen: ${[...rows].join(', ')}`);
  });

  it('seeks to 30 s from the time bar and shows 0:30', async () => {
    await page.$eval('#seek', (seek) => {
      seek.value = 30;
      seek.dispatchEvent(new Event('input'));
      seek.dispatchEvent(new Event('change'));
    });
    await page.waitForFunction(() => document.getElementById('time').textContent === '0:30', {
      timeout: 5000,
    });
    const state = await page.evaluate(() => window.kavoxmPage.state);
    assert.ok(state.seconds >= 30 && state.seconds < 31, `song time ${state.seconds}`);
  });

  it('takes its keys: next order, volume, pause and play', async () => {
    const state = () => page.evaluate(() => window.kavoxmPage.state);
    const order = (await state()).order;
    await page.keyboard.press('ArrowRight');
    await page.waitForFunction((o) => window.kavoxmPage.state.order === o + 1, {}, order);
    const volume = Number(await page.$eval('#volume', (v) => v.value));
    await page.keyboard.press('+');
    assert.equal(Number(await page.$eval('#volume', (v) => v.value)), volume + 16);
    await page.keyboard.press(' ');
    assert.equal(await text(page, '#play'), 'Play');
    const paused = (await state()).seconds;
    await new Promise((done) => setTimeout(done, 300));
    assert.equal((await state()).seconds, paused);
    await page.keyboard.press(' ');
    await page.waitForFunction((t) => window.kavoxmPage.state.seconds > t, {}, paused);
  });

  it('draws a 16-channel song without page errors', async () => {
    assert.equal(await text(page, 'dd[data-field="channels"]'), '16');
    if (process.env.KAVOXM_SCREENSHOT) {
      await page.screenshot({ path: process.env.KAVOXM_SCREENSHOT });
    }
    assert.deepEqual(errors, []);
  });
});
